// selvanore-hashsum: prints the digests of a file for every checksum kind
// (MD5, SHA-1, SHA-224 and SHA-256), computed by the program's own engines in
// one pass over the file.
#include <cstdio>
#include <memory>
#include <vector>

#include "hash/checksum_kinds.h"
#include "hash/hash.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: selvanore-hashsum FILE\n");
        return 2;
    }
    FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }

    // Every kind with a digest, in the order of their codes.
    std::vector<std::unique_ptr<CHash>> engines;
    for (const ChecksumKindInfo& kind : kChecksumKinds) {
        if (kind.kind == CHECKSUM_NONE) continue;
        engines.emplace_back(CreateHashEngine(kind.kind));
        if (!engines.back()) {
            std::fprintf(stderr, "selvanore-hashsum: out of memory\n");
            return 1;
        }
        engines.back()->Reset();
    }

    std::vector<unsigned char> buffer(1 << 20);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        for (auto& engine : engines) engine->Update(buffer.data(), static_cast<uint32_t>(n));
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "selvanore-hashsum: cannot read %s\n", argv[1]);
        return 1;
    }

    for (auto& engine : engines) {
        char text[kLongestDigestText + 1];
        engine->Finish();
        engine->GetDigestText(text);
        std::printf("%-8s %s\n", engine->m_name, text);
    }
    return 0;
}
