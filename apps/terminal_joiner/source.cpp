#include "apps/terminal_joiner/source.h"

#include <cstring>

#include "hash/checksum_kinds.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "text/cp1252.h"
#include "text/show.h"

namespace {

// A joiner is a small program and a list of 10,000 parts a few megabytes:
// anything larger is neither.
const uint64_t kMaxSourceSize = 256u << 20;

int Fail(SourceFailure* failure, SourceCause cause, const std::string& system = "") {
    failure->cause = cause;
    failure->system = system;
    return 0;
}

// Reads a regular file whole, never blocking on a FIFO or a device.
int ReadWhole(const std::string& path, std::string* bytes, SourceFailure* failure) {
    SystemFile file;
    uint64_t size = 0;
    SystemError error;
    if (!OpenRegularFile(path, &file, &size, &error)) {
        if (error.fault == SystemFault::NotRegular) return Fail(failure, SourceCause::NotRegular);
        return Fail(failure, SourceCause::CannotOpen, error.reason);
    }
    bytes->clear();
    char block[65536];
    for (;;) {
        size_t got = 0;
        if (!ReadSome(file.handle, block, sizeof block, &got, &error)) {
            return Fail(failure, SourceCause::CannotRead, error.reason);
        }
        if (got == 0) break;
        bytes->append(block, got);
        if (bytes->size() > kMaxSourceSize) return Fail(failure, SourceCause::TooLarge);
    }
    return 1;
}

// The Windows-1252 stand-in of a list's UTF-8 name, as a record holds it,
// when the name is one a set can have.
int ListNameToRecordName(const std::string& utf8, std::string* name, SourceFailure* failure) {
    failure->name = utf8;
    if (utf8.size() >= kNameTextField) return Fail(failure, SourceCause::NameTooLong);
    // A zero inside would end the name early, naming other parts.
    if (!IsPlainExactName(utf8) || !Utf8ToWindows1252StandIn(utf8, name)) {
        return Fail(failure, SourceCause::NameNotPlain);
    }
    if (name->size() >= kOutputNameField) return Fail(failure, SourceCause::NameTooLong);
    return 1;
}

}  // namespace

int RecordFromList(const ChecksumList& list, JoinSource* source, SourceFailure* failure) {
    std::string name;
    if (!ListNameToRecordName(list.name, &name, failure)) return 0;
    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.checksumText, list.digest.data(), list.digest.size());
    record.checksumKind = CHECKSUM_SHA256;
    record.expectedSize = 0;  // the parts' total, measured at start-up
    record.partCount = static_cast<uint32_t>(list.partDigests.size());
    std::memcpy(record.outputName, name.data(), name.size());
    if (!EncodeRecord(record, source->record) || !EncodeNameRecord(list.name, source->nameRecord)) {
        return Fail(failure, SourceCause::NameTooLong);
    }
    source->hasNameRecord = true;
    source->partDigests = list.partDigests;
    source->sizeFromParts = true;
    return 1;
}

std::string SetNameOf(const std::string& fileName) {
    size_t marks = fileName.rfind("__");
    if (marks != std::string::npos && marks > 0) {
        std::string digits = fileName.substr(marks + 2);
        if (digits.size() >= 3 && digits.find_first_not_of("0123456789") == std::string::npos) {
            return fileName.substr(0, marks);
        }
    }
    const std::string index = ".par2";
    if (fileName.size() <= index.size() ||
        fileName.compare(fileName.size() - index.size(), index.size(), index) != 0) {
        return "";
    }
    std::string name = fileName.substr(0, fileName.size() - index.size());
    // A recovery volume, NAME.vol0+1.par2 (the index's name without a
    // .volN+M of its own).
    size_t volume = name.rfind(".vol");
    if (volume != std::string::npos && volume > 0 &&
        name.find_first_not_of("0123456789+", volume + 4) == std::string::npos &&
        name.find('+', volume) != std::string::npos) {
        name.erase(volume);
    }
    return name;
}

int ReadJoinSource(const std::string& path, JoinSource* source, SourceFailure* failure) {
    // A part or a recovery file: the set's joiner or list beside it. The
    // names beside it are no part's, so this goes one step at most.
    std::string set = SetNameOf(BaseName(path));
    if (!set.empty()) {
        for (const char* beside : {"__join.exe", "__join", ".sha256"}) {
            std::string candidate = JoinPath(DirectoryName(path), set + beside);
            SystemError error;
            if (LookUp(candidate, &error) == NameLookup::Absent) continue;
            if (ReadJoinSource(candidate, source, failure)) return 1;
            failure->file = candidate;
            return 0;
        }
        failure->name = set;
        return Fail(failure, SourceCause::NothingBeside);
    }
    std::string bytes;
    if (!ReadWhole(path, &bytes, failure)) return 0;
    const uint8_t* image = reinterpret_cast<const uint8_t*>(bytes.data());
    RecordLocation location;
    if (LocateRecord(image, bytes.size(), &location)) {
        std::memcpy(source->record, image + location.offset, kRecordSize);
        RecordLocation name;
        source->hasNameRecord = LocateRecord(image, bytes.size(), &name, kNameRecordPlace) != 0;
        if (source->hasNameRecord) {
            std::memcpy(source->nameRecord, image + name.offset, kNameRecordSize);
        }
        source->partDigests.clear();
        source->sizeFromParts = false;
        return 1;
    }
    if (location.problem != LocateProblem::NotExecutable) {
        failure->locate = location.problem;
        return Fail(failure, SourceCause::NoRecord);
    }
    ChecksumList list;
    if (!ParseChecksumList(bytes, &list, &failure->list, &failure->line)) {
        return Fail(failure, SourceCause::NotAList);
    }
    return RecordFromList(list, source, failure);
}

ListBeside FindListBeside(const uint8_t* record, const uint8_t* nameRecord, std::string* listName,
                          std::vector<std::string>* digests, SourceFailure* failure) {
    JoinRecord decoded;
    DecodeRecord(record, &decoded);
    std::string exact;
    if (decoded.partCount < 2 || !ExactOutputName(record, nameRecord, &exact)) return ListBeside::None;
    *listName = ChecksumListName(exact);
    SystemError error;
    NameLookup lookup = LookUp(*listName, &error);
    if (lookup == NameLookup::Absent) return ListBeside::None;
    if (lookup == NameLookup::Unknown) {
        Fail(failure, SourceCause::CannotOpen, error.reason);
        return ListBeside::Unusable;
    }
    std::string bytes;
    ChecksumList list;
    if (!ReadWhole(*listName, &bytes, failure)) return ListBeside::Unusable;
    if (!ParseChecksumList(bytes, &list, &failure->list, &failure->line)) {
        Fail(failure, SourceCause::NotAList);
        return ListBeside::Unusable;
    }
    std::string listed;
    if (!ListNameToRecordName(list.name, &listed, failure)) return ListBeside::Unusable;
    bool sameDigest = decoded.checksumKind != CHECKSUM_SHA256 || list.digest == decoded.checksumText;
    if (list.name != exact || list.partDigests.size() != decoded.partCount || !sameDigest) {
        Fail(failure, SourceCause::AnotherSetsList);
        return ListBeside::Unusable;
    }
    *digests = list.partDigests;
    return ListBeside::Used;
}
