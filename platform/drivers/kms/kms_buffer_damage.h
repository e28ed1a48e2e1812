// What each scanout buffer still lacks of the screen. The kms driver draws into a buffer only
// what changed since it last drew that buffer: with two buffers shown in turn, each change has to
// reach both, the one drawn for the next frame and, a frame later, the one on the screen now.
// One rectangle per buffer holds all it lacks.
#pragma once

#include <array>

#include "windef.h"

namespace ce::drivers::kms {

class BufferDamage {
public:
    static constexpr int kBuffers = 2;

    // The screen changed there: no buffer has it yet.
    void Add(const RECT& area);
    // What the buffer lacks; taken, it counts as drawn.
    RECT Take(int buffer);
    bool Lacks(int buffer) const;

private:
    std::array<RECT, kBuffers> m_lacking{};
};

}  // namespace ce::drivers::kms
