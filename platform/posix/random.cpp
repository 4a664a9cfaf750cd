// The random source of every temporary name on POSIX: getentropy, or the
// random device where the call is missing or filtered out.
#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "platform/platform.h"
#include "platform/posix/file_handle.h"

int FillRandom(void* buffer, size_t length) {
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // getentropy gives at most 256 bytes a call.
    while (done < length) {
        size_t chunk = length - done < 256 ? length - done : 256;
        if (getentropy(bytes + done, chunk) != 0) break;
        done += chunk;
    }
    if (done == length) return 1;
    // Where the call is missing or filtered out, the device.
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    for (done = 0; done < length;) {
        size_t got = 0;
        int read = ReadOnce(fd, bytes + done, length - done, &got);
        if (!read || got == 0) {
            int number = read ? EIO : errno;
            close(fd);
            errno = number;
            return 0;
        }
        done += got;
    }
    close(fd);
    return 1;
}

uint64_t UnpredictableBits() {
    uint64_t bits = 0;
    if (FillRandom(&bits, sizeof bits)) return bits;
    // No random source at all (a bare chroot, a filter): the clocks, the
    // process and a count of calls, mixed. Another run cannot foresee them
    // closely enough to take the name first, and a clash costs only a retry.
    static std::atomic<uint64_t> calls{0};
    struct timespec real, monotonic;
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    uint64_t state = static_cast<uint64_t>(real.tv_sec) * 1000000000u + static_cast<uint64_t>(real.tv_nsec);
    state ^= (static_cast<uint64_t>(monotonic.tv_nsec) << 20) ^ static_cast<uint64_t>(getpid()) << 40;
    state += ++calls * 0x9E3779B97F4A7C15ull;
    // The finaliser of splitmix64: every input bit reaches every output bit.
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ull;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBull;
    return state ^ (state >> 31);
}
