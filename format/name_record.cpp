#include "format/name_record.h"

#include <cstring>

#include "hash/bytes.h"
#include "text/cp1252.h"
#include "text/unicode.h"

int EncodeNameRecord(const std::string& utf8, uint8_t (&bytes)[kNameRecordSize]) {
    if (utf8.empty() || utf8.size() >= kNameTextField || utf8.find('\0') != std::string::npos) {
        return 0;
    }
    std::memset(bytes, 0, kNameRecordSize);
    StoreLittle32(bytes + kNameLengthOffset, static_cast<uint32_t>(utf8.size()));
    std::memcpy(bytes + kNameTextOffset, utf8.data(), utf8.size());
    return 1;
}

int DecodeNameRecord(const uint8_t* bytes, std::string* utf8) {
    uint32_t length = LoadLittle32(bytes + kNameLengthOffset);
    if (length == 0 || length >= kNameTextField) return 0;
    std::string name(reinterpret_cast<const char*>(bytes + kNameTextOffset), length);
    if (name.find('\0') != std::string::npos) return 0;
    for (size_t at = 0; at < name.size();) {
        uint32_t code = 0;
        size_t used = DecodeUtf8(name.data() + at, name.size() - at, &code);
        if (used == 0) return 0;
        at += used;
    }
    *utf8 = name;
    return 1;
}

int IsPlainExactName(const std::string& utf8) {
    if (utf8.empty() || utf8.size() >= kNameTextField || utf8.find('\0') != std::string::npos) {
        return 0;
    }
    if (!IsPlainOutputName(utf8.c_str())) return 0;
    for (size_t at = 0; at < utf8.size();) {
        uint32_t code = 0;
        size_t used = DecodeUtf8(utf8.data() + at, utf8.size() - at, &code);
        if (used == 0 || (code >= 0x80 && code < 0xA0)) return 0;
        at += used;
    }
    return 1;
}

int ExactOutputName(const uint8_t* record, const uint8_t* nameRecord, std::string* utf8) {
    const char* field = reinterpret_cast<const char*>(record + kOutputNameOffset);
    if (!IsPlainOutputName(field)) return 0;
    std::string exact;
    std::string standIn;
    if (nameRecord != nullptr && DecodeNameRecord(nameRecord, &exact) &&
        Utf8ToWindows1252StandIn(exact, &standIn) && standIn == field) {
        if (!IsPlainExactName(exact)) return 0;
        *utf8 = exact;
        return 1;
    }
    exact = Windows1252ToUtf8(field);
    if (!IsPlainExactName(exact)) return 0;
    *utf8 = exact;
    return 1;
}
