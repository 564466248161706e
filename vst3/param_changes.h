// Walks the host's parameter changes of one block in sample order without allocating: a
// cursor per queue, the earliest pending point taken next.
#pragma once

#include "vst3/vst3_abi.h"

#include <climits>
#include <cstdint>

namespace vst3 {

class ParamChangeCursor {
  public:
    // Queues beyond this many in one block are ignored: a host sends one per parameter,
    // and there are five.
    static constexpr int kMaxQueues = 32;
    static constexpr int kParams = 5;

    explicit ParamChangeCursor(IParameterChanges* changes) {
        const int32 count = changes != nullptr ? changes->getParameterCount() : 0;
        for (int32 i = 0; i < count && queueCount < kMaxQueues; ++i) {
            IParamValueQueue* queue = changes->getParameterData(i);
            if (queue == nullptr || queue->getParameterId() >= static_cast<ParamID>(kParams)) {
                continue;
            }
            queues[queueCount] = queue;
            ids[queueCount] = static_cast<int>(queue->getParameterId());
            points[queueCount] = queue->getPointCount();
            next[queueCount] = 0;
            ++queueCount;
        }
    }

    // Sample offset of the earliest change not yet applied; INT32_MAX when none is left.
    int32 nextOffset() {
        int32 best = INT32_MAX;
        for (int q = 0; q < queueCount; ++q) {
            int32 offset = 0;
            double value = 0.0;
            if (peek(q, offset, value) && offset < best) {
                best = offset;
            }
        }
        return best;
    }

    // Hands every change at or before `offset` to apply(index, normalizedValue), earliest
    // first (changes at the same offset in queue order).
    template <typename Apply> void applyThrough(int32 offset, Apply&& apply) {
        for (;;) {
            int best = -1;
            int32 bestOffset = INT32_MAX;
            double bestValue = 0.0;
            for (int q = 0; q < queueCount; ++q) {
                int32 at = 0;
                double value = 0.0;
                if (peek(q, at, value) && at <= offset && (best < 0 || at < bestOffset)) {
                    best = q;
                    bestOffset = at;
                    bestValue = value;
                }
            }
            if (best < 0) {
                return;
            }
            ++next[best];
            apply(ids[best], bestValue);
        }
    }

  private:
    // The queue's next point; a point the queue cannot hand out is skipped.
    bool peek(int q, int32& offset, double& value) {
        while (next[q] < points[q]) {
            if (queues[q]->getPoint(next[q], offset, value) == kResultOk) {
                return true;
            }
            ++next[q];
        }
        return false;
    }

    IParamValueQueue* queues[kMaxQueues] = {};
    int ids[kMaxQueues] = {};
    int32 points[kMaxQueues] = {};
    int32 next[kMaxQueues] = {};
    int queueCount = 0;
};

} // namespace vst3
