#pragma once
// How long the stages of the slide show's last move took: the benchmark's breakdown of a move.
// Free of UNO headers, so that any code may ask.
#include <chrono>

namespace platform::office {

struct MoveStages {
    using Ms = std::chrono::duration<double, std::milli>;
    Ms call{};      // the move asked of the office, until it answered
    Ms reach{};     // until the show reported the slide as its current one
    Ms frame{};     // until the slide was drawn on the screen
    Ms finished{};  // until the show said it was done with the slide (the next one prepared)
    Ms busySign{};  // until its busy sign was off the screen
};

// What can tell the stages of its last move: the office's presentation object.
class MoveStagesSource {
  public:
    virtual ~MoveStagesSource() = default;
    virtual MoveStages lastMoveStages() const = 0;
};

}  // namespace platform::office
