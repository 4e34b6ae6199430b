#include "progress.h"

#include <cstdio>

Progress Progress_Start(uint64_t total) {
    Progress p;
    p.total = total;
    p.start = std::chrono::steady_clock::now();
    return p;
}

void Progress_Update(Progress& p, uint64_t done) {
    using namespace std::chrono;
    double seconds = duration<double>(steady_clock::now() - p.start).count();
    if (!p.shown && seconds < 0.5) return;  // quick transfers stay quiet
    p.shown = true;
    constexpr int kWidth = 40;
    double fraction = p.total ? double(done) / double(p.total) : 1.0;
    int filled = int(fraction * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    double rate = seconds > 0 ? double(done) / seconds / 1e6 : 0;
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f/%.1f MB  %.1f MB/s", bar, int(fraction * 100),
                 double(done) / 1e6, double(p.total) / 1e6, rate);
    std::fflush(stderr);
}

void Progress_Finish(Progress& p) {
    if (p.shown) std::fputc('\n', stderr);
}
