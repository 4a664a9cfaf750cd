// Where the terminal joiner's record comes from: its own section (a stamped
// copy, NAME__join), a Windows joiner NAME__join.exe read as data and never
// run, or a checksum list NAME.sha256, which names the parts and the whole
// file's SHA-256; given a part or the recovery index, the joiner or the list
// beside it. A list beside the parts also gives each part's own
// SHA-256, so that a damaged part can be named. Only reading: no terminal.
#ifndef SELVANORE_APPS_TERMINAL_JOINER_SOURCE_H
#define SELVANORE_APPS_TERMINAL_JOINER_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/record_layout.h"
#include "format/checksum_list.h"
#include "format/name_record.h"
#include "format/locate.h"

struct JoinSource {
    uint8_t record[kRecordSize];
    // The name record beside it, when the joiner has one or the record comes
    // from a list (which names the set exactly).
    uint8_t nameRecord[kNameRecordSize];
    bool hasNameRecord = false;
    // Each part's SHA-256 from a checksum list, in order; empty without one.
    std::vector<std::string> partDigests;
    // A list gives no size: the recorded size is the parts' total at start-up.
    bool sizeFromParts = false;
};

enum class SourceCause {
    None,
    CannotOpen,        // the system's reason in system
    NotRegular,        // a directory, a FIFO, a device
    TooLarge,          // larger than any joiner or list of a set
    CannotRead,        // the system's reason in system
    NoRecord,          // an executable image without a usable record: locate says why
    NotAList,          // neither an executable nor a set's list: list and line say why
    NameTooLong,       // the list's name does not fit the record: name
    NameNotPlain,      // the list's name is a path, or has a control character: name
    AnotherSetsList,   // a list beside the parts that names another set
    NothingBeside,     // a part or recovery index of the set name, without its
                       // joiner or list beside it
};

struct SourceFailure {
    SourceCause cause = SourceCause::None;
    // The file read in place of the one given (the joiner or list beside a
    // part) when that failed; empty otherwise.
    std::string file;
    std::string system;
    LocateProblem locate = LocateProblem::None;
    ListProblem list = ListProblem::None;
    size_t line = 0;
    std::string name;
};

// Reads the file at path whole (a regular file of at most 256 MiB): an
// executable image (PE or ELF) gives the record it carries, read as bytes,
// and its name record when it has one; a part of a set (SetNameOf) gives
// the record of the set's joiner or list beside it, the first of
// NAME__join.exe, NAME__join and NAME.sha256 there; anything else is read
// as a checksum list, which gives a record of kind SHA-256 with the list's part count and
// whole digest, the list's UTF-8 name in a name record and its stand-in in
// the record, and the parts' digests. Returns 0 with failure filled in.
int ReadJoinSource(const std::string& path, JoinSource* source, SourceFailure* failure);

// The set a file of it names by its own name: a part, NAME__ and at least
// three digits (any index), or the recovery index or a recovery volume,
// NAME.par2 or NAME.vol*.par2. Empty for any other name.
std::string SetNameOf(const std::string& fileName);

// The record and name record of a checksum list's values; 0 when the name
// is no plain file name or does not fit the records' fields.
int RecordFromList(const ChecksumList& list, JoinSource* source, SourceFailure* failure);

// The list of the set that record names, NAME.sha256 in the working
// directory, as it is found there; NAME is the exact name (ExactOutputName
// of record and nameRecord, which may be null).
enum class ListBeside {
    None,      // no such file, or the record names no set
    Used,      // it is the set's: digests holds its parts' digests
    Unusable,  // unreadable, not a set's list, or another set's: failure says why
};
// A list names another set when it has another name, another number of
// parts or, when the record's checksum is a SHA-256, another whole digest.
ListBeside FindListBeside(const uint8_t* record, const uint8_t* nameRecord, std::string* listName,
                          std::vector<std::string>* digests, SourceFailure* failure);

#endif
