// The edit control's editing model, with made-up widths: every character 10 pixels wide.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "user/controls/edit_control_model.h"

namespace ce::user {
namespace {

std::vector<int> TenPixelsEach(std::u16string_view text) {
    std::vector<int> extents;
    for (std::size_t index = 1; index <= text.size(); ++index) {
        extents.push_back(static_cast<int>(index) * 10);
    }
    return extents;
}

EditModel MakeModel(bool autoScroll, int viewWidth) {
    EditModel model(&TenPixelsEach, autoScroll);
    model.SetViewWidth(viewWidth);
    return model;
}

void Type(EditModel& model, std::u16string_view text) {
    for (char16_t character : text) {
        model.TypeCharacter(character);
    }
}

struct EditCase {
    const char* name;
    std::function<void(EditModel&)> steps;
    std::u16string text;
    std::size_t caret;
};

TEST(EditModelTest, EditsAtTheCaret) {
    const std::vector<EditCase> cases = {
        {"typing appends", [](EditModel& m) { Type(m, u"10.1"); }, u"10.1", 4},
        {"typing inserts at the caret",
         [](EditModel& m) {
             Type(m, u"abc");
             m.MoveLeft();
             m.MoveLeft();
             Type(m, u"X");
         },
         u"aXbc", 2},
        {"backspace deletes before the caret",
         [](EditModel& m) {
             Type(m, u"abc");
             m.MoveLeft();
             m.TypeCharacter(8);
         },
         u"ac", 1},
        {"backspace at the start does nothing",
         [](EditModel& m) {
             Type(m, u"abc");
             m.MoveHome();
             m.TypeCharacter(8);
         },
         u"abc", 0},
        {"delete removes after the caret",
         [](EditModel& m) {
             Type(m, u"abc");
             m.MoveHome();
             m.DeleteForward();
         },
         u"bc", 0},
        {"delete at the end does nothing",
         [](EditModel& m) {
             Type(m, u"abc");
             m.DeleteForward();
         },
         u"abc", 3},
        {"control characters are not typed", [](EditModel& m) { Type(m, u"a\r\x1b\tb"); }, u"ab",
         2},
        {"moves stop at the ends",
         [](EditModel& m) {
             Type(m, u"ab");
             m.MoveRight();
             m.MoveHome();
             m.MoveLeft();
             Type(m, u"x");
         },
         u"xab", 1},
        {"typing replaces the selection",
         [](EditModel& m) {
             Type(m, u"abcd");
             m.Select(1, 3);
             Type(m, u"X");
         },
         u"aXd", 2},
        {"backspace deletes the selection",
         [](EditModel& m) {
             Type(m, u"abcd");
             m.Select(0, -1);
             m.TypeCharacter(8);
         },
         u"", 0},
        {"a start of -1 drops the selection and keeps the caret",
         [](EditModel& m) {
             Type(m, u"abcd");
             m.Select(1, 3);
             m.Select(-1, 0);
             Type(m, u"X");
         },
         u"abcXd", 4},
        {"replacing the selection puts the caret after the new text",
         [](EditModel& m) {
             Type(m, u"abcd");
             m.Select(1, 3);
             m.ReplaceSelection(u"123");
         },
         u"a123d", 4},
        {"the limit cuts what is typed or inserted",
         [](EditModel& m) {
             m.SetLimit(5);
             Type(m, u"abcdef");
             m.MoveHome();
             m.ReplaceSelection(u"xy");
         },
         u"abcde", 0},
        {"setting the text ignores the limit and puts the caret first",
         [](EditModel& m) {
             m.SetLimit(2);
             m.SetText(u"1.2.3.4");
         },
         u"1.2.3.4", 0},
    };
    for (const EditCase& test : cases) {
        EditModel model = MakeModel(true, 1000);
        test.steps(model);
        EXPECT_EQ(model.Text(), test.text) << test.name;
        EXPECT_EQ(model.Caret(), test.caret) << test.name;
    }
}

TEST(EditModelTest, ReportsWhetherTheTextChanged) {
    EditModel model = MakeModel(true, 1000);
    EXPECT_TRUE(model.TypeCharacter(u'a'));
    EXPECT_FALSE(model.TypeCharacter(u'\r'));
    EXPECT_FALSE(model.DeleteForward());
    EXPECT_TRUE(model.TypeCharacter(8));
    EXPECT_FALSE(model.TypeCharacter(8));
    EXPECT_FALSE(model.SetText(u""));
    EXPECT_TRUE(model.SetText(u"x"));
}

TEST(EditModelTest, AutomaticScrollingKeepsTheCaretInView) {
    EditModel model = MakeModel(true, 50);
    Type(model, u"0123456789");
    EXPECT_EQ(model.Scroll(), 51) << "the caret (at 100) in the view's last column";
    EXPECT_EQ(model.CaretX(), 49);

    model.MoveHome();
    EXPECT_EQ(model.Scroll(), 0);
    model.MoveEnd();
    EXPECT_EQ(model.Scroll(), 51);

    model.TypeCharacter(8);
    EXPECT_EQ(model.Scroll(), 41) << "deleting at the end brings hidden text back";
    EXPECT_EQ(model.CaretX(), 49);

    model.PlaceCaretAt(0);
    EXPECT_EQ(model.Caret(), 4u) << "the boundary nearest to the view's left edge (41)";
    EXPECT_EQ(model.CaretX(), 0);

    model.SetText(u"abc");
    EXPECT_EQ(model.Scroll(), 0);
}

TEST(EditModelTest, WithoutAutomaticScrollingTypingStopsAtTheRightEdge) {
    EditModel model = MakeModel(false, 50);
    Type(model, u"0123456789");
    EXPECT_EQ(model.Text(), u"0123") << "a fifth character would put the caret past the edge";
    EXPECT_EQ(model.Scroll(), 0);
    model.MoveHome();
    EXPECT_FALSE(model.ReplaceSelection(u"xy"));
    model.Select(0, 2);
    EXPECT_TRUE(model.ReplaceSelection(u"xyz")) << "what fits of the insertion goes in";
    EXPECT_EQ(model.Text(), u"xy23");
}

TEST(EditModelTest, ATapPutsTheCaretAtTheNearestBoundary) {
    EditModel model = MakeModel(true, 100);
    model.SetText(u"abc");
    const std::vector<std::pair<int, std::size_t>> taps = {{-5, 0}, {4, 0},  {6, 1},  {15, 1},
                                                           {16, 2}, {29, 3}, {500, 3}};
    for (const auto& [x, caret] : taps) {
        model.PlaceCaretAt(x);
        EXPECT_EQ(model.Caret(), caret) << "tap at " << x;
    }
}

}  // namespace
}  // namespace ce::user
