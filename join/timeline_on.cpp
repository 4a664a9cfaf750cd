// The timeline recorded, as the benchmarks link it: each span goes into a
// fixed table with one atomic increment (the worker, the helper and the
// dialog record at once), and the summary reads the table once the join has
// ended.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "join/timeline.h"

namespace {

struct Entry {
    uint64_t begin;
    uint64_t end;
    uint32_t detail;
    Span span;
    Lane lane;
};

// Two spans a block at 16 KiB blocks of a 1 GiB join, and the messages.
const uint32_t kCapacity = 1u << 18;
Entry g_entries[kCapacity];
std::atomic<uint32_t> g_count{0};

const char* const kSpanNames[] = {"start", "open",  "read", "write", "checksum", "await helper",
                                  "send",  "handle", "display", "close", "flush", "closing"};
const char* const kLaneNames[] = {"worker", "helper", "dialog"};

double Ms(uint64_t ns) { return static_cast<double>(ns) / 1e6; }

void Append(std::string& out, const char* format, double a, double b = 0, double c = 0, double d = 0) {
    char line[200];
    std::snprintf(line, sizeof line, format, a, b, c, d);
    out += line;
}

}  // namespace

uint64_t TimelineNow() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void TimelineRecord(Span span, Lane lane, uint64_t begin, uint32_t detail) {
    uint64_t end = TimelineNow();
    uint32_t index = g_count.fetch_add(1, std::memory_order_relaxed);
    if (index < kCapacity) g_entries[index] = Entry{begin, end, detail, span, lane};
    // A program that cannot print (the Windows joiner) leaves its summary in
    // the file SELVANORE_TIMELINE names once the closing handler has run.
    const char* file = span == Span::Closing ? std::getenv("SELVANORE_TIMELINE") : nullptr;
    if (file == nullptr) return;
    static char text[8192];
    TimelineSummary(text, sizeof text);
    if (FILE* out = std::fopen(file, "w")) {
        std::fputs(text, out);
        std::fclose(out);
    }
}

void TimelineReset() { g_count.store(0); }

void TimelineSummary(char* text, uint32_t capacity) {
    if (capacity == 0) return;
    uint32_t count = std::min(g_count.load(), kCapacity);
    std::vector<Entry> entries(g_entries, g_entries + count);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.begin < b.begin; });
    std::string out;
    if (entries.empty()) {
        out = "timeline: nothing recorded\n";
    } else {
        uint64_t first = entries.front().begin, last = 0;
        uint64_t firstRead = 0, lastWrite = 0;
        for (const Entry& e : entries) {
            last = std::max(last, e.end);
            if (e.span == Span::Read && firstRead == 0) firstRead = e.begin;
            if (e.span == Span::Write) lastWrite = std::max(lastWrite, e.end);
        }
        uint64_t whole = last - first;
        Append(out, "timeline: %.1f ms from the worker's start to the closing handler's end\n", Ms(whole));
        if (firstRead != 0) Append(out, "  before the first read: %.1f ms\n", Ms(firstRead - first));
        if (lastWrite != 0) Append(out, "  after the last write: %.1f ms\n", Ms(last - lastWrite));
        for (int lane = 0; lane < static_cast<int>(Lane::Count); ++lane) {
            uint64_t total[static_cast<int>(Span::Count)] = {}, longest[static_cast<int>(Span::Count)] = {};
            uint32_t number[static_cast<int>(Span::Count)] = {};
            uint64_t busy = 0;
            bool any = false;
            for (const Entry& e : entries) {
                if (static_cast<int>(e.lane) != lane) continue;
                int s = static_cast<int>(e.span);
                uint64_t length = e.end - e.begin;
                total[s] += length;
                longest[s] = std::max(longest[s], length);
                ++number[s];
                // The spans of one thread never overlap.
                busy += length;
                any = true;
            }
            if (!any) continue;
            out += std::string("  ") + kLaneNames[lane] + ":";
            Append(out, " busy %.1f ms, idle %.1f ms\n", Ms(busy), Ms(whole > busy ? whole - busy : 0));
            for (int s = 0; s < static_cast<int>(Span::Count); ++s) {
                if (number[s] == 0) continue;
                out += std::string("    ") + kSpanNames[s];
                Append(out, ": %.0f spans, %.1f ms, longest %.2f ms\n", number[s], Ms(total[s]), Ms(longest[s]));
            }
        }
        // The helper's idle gaps: between the end of one checksum and the
        // start of the next, the helper waited for the worker.
        std::vector<uint64_t> gaps;
        uint64_t previous = 0;
        for (const Entry& e : entries) {
            if (e.lane != Lane::Helper || e.span != Span::Checksum) continue;
            if (previous != 0 && e.begin > previous) gaps.push_back(e.begin - previous);
            previous = e.end;
        }
        std::sort(gaps.rbegin(), gaps.rend());
        if (!gaps.empty()) {
            out += "  the helper's longest waits for a block:";
            for (size_t i = 0; i < gaps.size() && i < 5; ++i) Append(out, " %.2f ms", Ms(gaps[i]));
            out += "\n";
        }
        std::vector<std::pair<uint64_t, const Entry*>> waits;
        for (const Entry& e : entries) {
            if (e.lane == Lane::Worker && (e.span == Span::AwaitHelper || e.span == Span::Send)) {
                waits.emplace_back(e.end - e.begin, &e);
            }
        }
        std::sort(waits.begin(), waits.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        if (!waits.empty()) {
            out += "  the worker's longest waits:";
            for (size_t i = 0; i < waits.size() && i < 5; ++i) {
                const Entry& e = *waits[i].second;
                out += std::string(" ") + kSpanNames[static_cast<int>(e.span)];
                if (e.span == Span::Send) out += " " + std::to_string(e.detail);
                Append(out, " %.2f ms", Ms(waits[i].first));
            }
            out += "\n";
        }
    }
    size_t length = std::min<size_t>(out.size(), capacity - 1);
    out.copy(text, length);
    text[length] = '\0';
}
