// The join record stamped into the program: what to rebuild, from how many
// parts, and with which checksum.
#ifndef SELVANORE_JOIN_DESCRIPTOR_H
#define SELVANORE_JOIN_DESCRIPTOR_H

#include <cstdint>

#include "format/record_layout.h"

// Reads the program's own record into g_join, the output name in UTF-8 from
// the name record beside it when that holds the exact name (ExactOutputName),
// and creates the checksum engine its kind asks for. Fails when the record cannot be found, the kind is above
// 4, the part count above kMaxPartCount, the engine's memory cannot be had,
// or a record that names parts has an output name that is not a plain file
// name (IsPlainOutputName: terminated inside its field, no path, drive or
// stream).
int LoadDescriptor();

#endif
