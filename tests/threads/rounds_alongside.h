// Runs an editing thread's rounds while an audio thread processes: at least `minRounds`,
// and on until the audio thread has processed `minBlocks` blocks meanwhile. How much either
// thread gets done in a given time is up to the scheduler, so a race test waits for the
// work itself; the time limit only ends a wait for an audio thread that never runs.
// Answers the number of blocks processed alongside the rounds.
#pragma once

#include <atomic>
#include <chrono>

template <class Round>
int roundsAlongsideAudio(Round&& round, const std::atomic<int>& blocks, int minRounds,
                         int minBlocks, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const int blocksBefore = blocks.load();
    for (int i = 0; i < minRounds || (blocks.load() - blocksBefore < minBlocks &&
                                      std::chrono::steady_clock::now() < deadline);
         ++i) {
        round(i);
    }
    return blocks.load() - blocksBefore;
}
