// par2_tool: a set of PAR 2.0 files made and used with the recovery library
// alone, for the tests against par2cmdline and as the example of the
// library's use: files read and written a block at a time.
//
//   par2_tool create NAME SLICE R FILE...
//       writes NAME.par2 and the recovery files NAME.volA+B.par2 for the
//       files (which lie in NAME's folder; their names in the set are their
//       base names), with R recovery slices of SLICE bytes.
//   par2_tool repair NAME.par2
//       reads NAME.par2 and every NAME.*.par2 beside it, checks the set's
//       files beside them (length and MD5, then slice by slice), and writes
//       each missing or damaged file rebuilt as FILE.rebuilt; the files
//       received are never changed.
// Exit status: 0 when every file is correct or was rebuilt, 1 when it could
// not be (not enough recovery slices, a file that cannot be read or
// written), 2 for a wrong command line.
#ifndef SELVANORE_TESTS_RECOVERY_PAR2_TOOL_H
#define SELVANORE_TESTS_RECOVERY_PAR2_TOOL_H

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// The transfer block: every file moves through buffers of this size.
const uint32_t kToolBlock = 1u << 20;

int CreateSet(const std::string& name, uint64_t sliceSize, uint32_t recoveryCount,
              const std::vector<std::string>& files);
int RepairSet(const std::string& indexPath);

// Reads up to size bytes at offset; the rest of the buffer is zeroed (a
// file shorter than the slice counts as padded with zeros). Returns the
// bytes read.
size_t ReadAt(std::ifstream& in, uint64_t offset, uint8_t* buffer, size_t size);
// Writes size bytes at offset; returns 0 when it cannot.
int WriteAt(std::fstream& out, uint64_t offset, const void* data, size_t size);

#endif
