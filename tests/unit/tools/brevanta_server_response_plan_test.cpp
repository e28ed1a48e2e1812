// What each misbehaviour puts on the wire for one response, step by step.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "brevanta-server/response_plan.h"

namespace brevanta::server {

// Found by gtest through the type's namespace, so failures show steps rather than raw bytes.
void PrintTo(const ResponseStep& step, std::ostream* out) {
    static const char* const kNames[] = {"Write", "Pause", "Body", "Filler", "Close"};
    *out << kNames[static_cast<int>(step.kind)] << "(\"" << step.bytes << "\" " << step.count
         << ")";
}

namespace {

using Kind = ResponseStep::Kind;

ResponseStep W(std::string bytes) {
    return {Kind::kWrite, std::move(bytes), 0};
}
ResponseStep P(std::uint64_t ms) {
    return {Kind::kPause, {}, ms};
}
ResponseStep B(std::uint64_t count) {
    return {Kind::kBody, {}, count};
}
ResponseStep F(std::uint64_t count) {
    return {Kind::kFiller, {}, count};
}
ResponseStep C() {
    return {Kind::kClose, {}, 0};
}

template <typename Change>
Misbehaviour Faults(Change change) {
    Misbehaviour faults;
    change(faults);
    return faults;
}

TEST(BrevantaServerResponsePlan, PlainResponsesAreHeaderThenWholeFile) {
    EXPECT_EQ(PlanResponse({}, 6), (std::vector{W("        174"), B(6)}));
    EXPECT_EQ(PlanResponse({}, 0), (std::vector{W("        114")}));
}

TEST(BrevantaServerResponsePlan, EachMisbehaviourChangesWhatItSays) {
    struct Case {
        const char* what;
        Misbehaviour faults;
        std::uint64_t size;
        std::vector<ResponseStep> steps;
    };
    const std::vector<Case> cases = {
        {"silent", Faults([](Misbehaviour& f) { f.silent = true; }), 10, {}},
        {"close after",
         Faults([](Misbehaviour& f) { f.closeAfter = 4; }),
         10,
         {W("        214"), B(4), C()}},
        {"close after beyond the end",
         Faults([](Misbehaviour& f) { f.closeAfter = 40; }),
         10,
         {W("        214"), B(10), C()}},
        {"close after nothing",
         Faults([](Misbehaviour& f) { f.closeAfter = 0; }),
         10,
         {W("        214"), C()}},
        {"chunks with pauses",
         Faults([](Misbehaviour& f) {
             f.chunk = 4;
             f.pauseMs = 30;
         }),
         10,
         {W("        214"), B(4), P(30), B(4), P(30), B(2)}},
        {"chunks without pauses",
         Faults([](Misbehaviour& f) { f.chunk = 5; }),
         10,
         {W("        214"), B(5), B(5)}},
        {"pause before the body",
         Faults([](Misbehaviour& f) { f.pauseMs = 50; }),
         10,
         {W("        214"), P(50), B(10)}},
        {"header in pieces, default gap",
         Faults([](Misbehaviour& f) { f.headerPieces = 3; }),
         10,
         {W("    "), P(20), W("    "), P(20), W("214"), B(10)}},
        {"more pieces than header bytes",
         Faults([](Misbehaviour& f) {
             f.headerPieces = 40;
             f.rawHeader = "ab";
         }),
         1,
         {W("a"), P(20), W("b"), B(1)}},
        {"extra bytes",
         Faults([](Misbehaviour& f) { f.extra = 7; }),
         10,
         {W("        214"), B(10), F(7)}},
        {"announced size",
         Faults([](Misbehaviour& f) { f.announce = 1000; }),
         10,
         {W("      10114"), B(10)}},
        {"raw header",
         Faults([](Misbehaviour& f) { f.rawHeader = "garbage"; }),
         10,
         {W("garbage"), B(10)}},
        {"empty raw header", Faults([](Misbehaviour& f) { f.rawHeader = ""; }), 10, {B(10)}},
        {"close in the header",
         Faults([](Misbehaviour& f) { f.closeHeader = 4; }),
         10,
         {W("    "), C()}},
        {"close in a pieced header",
         Faults([](Misbehaviour& f) {
             f.pauseMs = 5;
             f.headerPieces = 2;
             f.closeHeader = 5;
         }),
         10,
         {W("   "), P(5), W("  "), C()}},
        {"close after response",
         Faults([](Misbehaviour& f) { f.closeAfterResponse = true; }),
         10,
         {W("        214"), B(10), C()}},
        {"extra then close",
         Faults([](Misbehaviour& f) {
             f.extra = 1;
             f.closeAfterResponse = true;
         }),
         0,
         {W("        114"), F(1), C()}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanResponse(c.faults, c.size), c.steps) << c.what;
    }
}

}  // namespace
}  // namespace brevanta::server
