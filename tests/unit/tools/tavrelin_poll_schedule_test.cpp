// When a viewer asks Tavrelin for changes: steadily while it watches, and right after input at
// 2, 4, 8, 16 and 32 ms; and how long it waits before trying a refusing device again.
#include <gtest/gtest.h>

#include <vector>

#include "common/tavrelin/backoff.h"
#include "common/tavrelin/poll_schedule.h"

namespace brevanta::tavrelin {
namespace {

using std::chrono::milliseconds;
using Clock = PollSchedule::Clock;

// The gaps between the requests the schedule asks for until `until` (each sent when due).
std::vector<long> Requests(PollSchedule& schedule, Clock::time_point start, milliseconds until) {
    std::vector<long> at;
    while (schedule.Active() && schedule.Next() - start <= until) {
        const Clock::time_point due = schedule.Next();
        at.push_back(std::chrono::duration_cast<milliseconds>(due - start).count());
        schedule.DueRequestSent(due);
    }
    return at;
}

TEST(TavrelinPollSchedule, WithoutSteadyPollingOnlyInputIsFollowedUp) {
    const Clock::time_point start{};
    PollSchedule schedule(milliseconds(0), start);
    EXPECT_FALSE(schedule.Active());
    schedule.InputSent(start);
    EXPECT_EQ(Requests(schedule, start, milliseconds(1000)),
              (std::vector<long>{2, 2 + 4, 6 + 8, 14 + 16, 30 + 32}));
    EXPECT_FALSE(schedule.Active());
}

TEST(TavrelinPollSchedule, SteadyPollingGoesOnAndTakesOverFromLongFollowUps) {
    const Clock::time_point start{};
    PollSchedule schedule(milliseconds(10), start);
    EXPECT_TRUE(schedule.Active());
    EXPECT_EQ(Requests(schedule, start, milliseconds(30)), (std::vector<long>{0, 10, 20, 30}));
    const Clock::time_point input = start + milliseconds(100);
    schedule.InputSent(input);
    // Follow-ups 2, 4 and 8 ms apart; the next, 16, would not come before the steady 10, which
    // takes over.
    EXPECT_EQ(Requests(schedule, input, milliseconds(30)), (std::vector<long>{2, 6, 14, 24}));
}

TEST(TavrelinPollSchedule, EvenFollowUpsComeEvery2MsFor32Ms) {
    const Clock::time_point start{};
    PollSchedule schedule(milliseconds(0), start, PollSchedule::FollowUps::kEven);
    schedule.InputSent(start);
    EXPECT_EQ(Requests(schedule, start, milliseconds(1000)),
              (std::vector<long>{2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32}));
    EXPECT_FALSE(schedule.Active());
}

TEST(TavrelinPollSchedule, ChangingThePaceAsksAtOnceWhenPollingStartsOrQuickens) {
    const Clock::time_point start{};
    PollSchedule schedule(milliseconds(0), start);
    const Clock::time_point watched = start + milliseconds(50);
    schedule.SetSteady(milliseconds(500), watched);
    EXPECT_EQ(schedule.Next(), watched);
    schedule.DueRequestSent(watched);
    const Clock::time_point quicker = watched + milliseconds(20);
    schedule.SetSteady(milliseconds(10), quicker);
    EXPECT_EQ(schedule.Next(), quicker);
    schedule.SetSteady(milliseconds(0), quicker);
    EXPECT_FALSE(schedule.Active());
}

TEST(TavrelinBackoff, DoublesToTheCapAndStartsOverWhenServed) {
    Backoff backoff(milliseconds(100), milliseconds(1000));
    std::vector<long> waits;
    for (int i = 0; i < 6; ++i) {
        waits.push_back(backoff.Take().count());
    }
    EXPECT_EQ(waits, (std::vector<long>{100, 200, 400, 800, 1000, 1000}));
    backoff.Reset();
    EXPECT_EQ(backoff.Take().count(), 100);
}

}  // namespace
}  // namespace brevanta::tavrelin
