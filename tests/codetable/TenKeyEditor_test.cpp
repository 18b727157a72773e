// The editor core without its window: the key names, the code a caption shows, and which code
// of which key each code box shows.

#include "codetable/TenKeyEditor.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace codetable {
void PrintTo(const CodeBoxOwner& owner, std::ostream* out) {
    *out << "code " << owner.code << " of key " << owner.key;
}
} // namespace codetable

namespace {

using namespace codetable;

// Key k's first code is 0x03 + k; its five further codes are distinct from every other code.
class EditorCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
        std::array<uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray{};
        for (int key = 1; key <= kKeyCount; ++key) {
            keyCodeArray[static_cast<size_t>(kKeyCodeBlockStride * (key - 1) + 1)] =
                static_cast<uint8_t>(FirstCode(key));
        }
        for (size_t at = 0; at < multipleKeyCodeArray.size(); ++at) {
            multipleKeyCodeArray[at] = static_cast<uint8_t>(0x20 + at);
        }
        editor.LoadTable(keyCodeArray, multipleKeyCodeArray);
        editor.Load();
    }

    static int FirstCode(int key) { return 0x03 + key; }

    SharedCodeArrays arrays;
    TenKeyEditor editor{EditorMode::MultiCode, arrays};
};

struct KeyNameCase {
    int key;
    std::string_view name;
};

class KeyNameTest : public ::testing::TestWithParam<KeyNameCase> {};

TEST_P(KeyNameTest, OpeningPrefixWithoutItsBlanks) {
    EXPECT_EQ(KeyName(GetParam().key), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyNameTest,
                         ::testing::Values(KeyNameCase{1, "Volume"}, KeyNameCase{6, "Enter"},
                                           KeyNameCase{7, "Horizontal"}, KeyNameCase{9, "Jack IN"},
                                           KeyNameCase{10, "Jack OUT"}, KeyNameCase{0, ""},
                                           KeyNameCase{11, ""}));

// Keys 1..6 open with one blank between name and code and get two after a pick; the others
// have two throughout, and "Jack IN" has one inside its name.
TEST_F(EditorCoreTest, KeyCodeTextIsTheCaptionWithoutTheName) {
    for (int key = 1; key <= kKeyCount; ++key) {
        EXPECT_EQ(editor.KeyCodeText(key), CodeDisplayText(FirstCode(key))) << key;
    }
    for (const int key : {1, 6, 9, 10}) {
        editor.SelectKey(key);
        editor.fillKeycodeToTextbox(1, 0x28);
        EXPECT_EQ(editor.KeyCaption(key), std::string(KeyLabels()[key - 1].pickPrefix) + "0x28");
        EXPECT_EQ(editor.KeyCodeText(key), "0x28") << key;
    }
}

TEST(EditorCoreNotLoadedTest, KeyCodeTextOfAnEmptyCaptionIsEmpty) {
    SharedCodeArrays arrays;
    const TenKeyEditor editor(EditorMode::SingleCode, arrays);
    EXPECT_EQ(editor.KeyCodeText(9), "");
}

// The disabled boxes of a single-code table tick the modifier its picker item names, as the
// multi-code boxes tick the bits of the mask.
TEST(EditorModifierBoxes, TickTheModifierTheItemNames) {
    SharedCodeArrays arrays;
    TenKeyEditor single(EditorMode::SingleCode, arrays);
    single.Load();
    for (int index = 0; index < static_cast<int>(ModifierItems().size()); ++index) {
        single.ToggleModifierButton(8);
        single.PickModifier(index);
        std::string ticked;
        for (const ModifierCheckBox& box : ModifierCheckBoxes()) {
            if ((single.ModifierBoxBits(8) & box.bit) != 0) {
                ticked += std::string(ticked.empty() ? "" : "+") + std::string(box.text);
            }
        }
        // The item's words with its padding blanks dropped: " None" ticks nothing.
        std::string item;
        for (char c : ModifierItems()[static_cast<size_t>(index)]) {
            if (c != ' ' || (!item.empty() && item.back() != ' ')) {
                item += c;
            }
        }
        EXPECT_EQ(ticked, index == 0 ? "" : item) << index;
    }
    TenKeyEditor multi(EditorMode::MultiCode, arrays);
    multi.Load();
    multi.SelectKey(2);
    multi.setModifierCode(0x04, true);
    multi.setModifierCode(0x20, true);
    EXPECT_EQ(multi.ModifierBoxBits(2), 0x24);
}

struct CodeBoxCase {
    const char* name;
    std::function<void(TenKeyEditor&)> steps;
    int key;                 // the selected key: box N shows its code N
    bool boxNIsKeyN = false; // no key selected: box N shows code 1 of key N (else no code)
    int pickedBox = 0;       // picked with no key selected: shows no key's code
};

void PrintTo(const CodeBoxCase& state, std::ostream* out) {
    *out << state.name;
}

class CodeBoxTest : public EditorCoreTest, public ::testing::WithParamInterface<CodeBoxCase> {};

TEST_P(CodeBoxTest, EachBoxNamesTheCodeItShows) {
    GetParam().steps(editor);
    for (int slot = 1; slot <= kCodesPerKey; ++slot) {
        CodeBoxOwner expected;
        if (GetParam().key != 0) {
            expected = {GetParam().key, slot};
        } else if (GetParam().boxNIsKeyN && slot != GetParam().pickedBox) {
            expected = {slot, 1};
        }
        const CodeBoxOwner owner = editor.CodeBoxOf(slot);
        EXPECT_EQ(owner, expected) << "box " << slot;
        if (owner.key != 0) {
            // Box texts are "0x04" after a pick and "0x004" otherwise: compare the numbers.
            EXPECT_EQ(std::stoi(editor.CodeBoxText(slot), nullptr, 16),
                      editor.Codes(owner.key)[static_cast<size_t>(owner.code - 1)])
                << "box " << slot;
        }
    }
    EXPECT_EQ(editor.CodeBoxOf(0), CodeBoxOwner{});
    EXPECT_EQ(editor.CodeBoxOf(kCodesPerKey + 1), CodeBoxOwner{});
}

INSTANTIATE_TEST_SUITE_P(
    States, CodeBoxTest,
    ::testing::Values(CodeBoxCase{"Opened", [](TenKeyEditor&) {}, 0},
                      CodeBoxCase{"KeySelected", [](TenKeyEditor& e) { e.SelectKey(4); }, 4},
                      CodeBoxCase{"OtherKeySelected",
                                  [](TenKeyEditor& e) {
                                      e.SelectKey(4);
                                      e.SelectKey(10);
                                  },
                                  10},
                      CodeBoxCase{"CodePickedForSelectedKey",
                                  [](TenKeyEditor& e) {
                                      e.SelectKey(5);
                                      e.fillKeycodeToTextbox(3, 0x28);
                                  },
                                  5},
                      CodeBoxCase{"AfterReset",
                                  [](TenKeyEditor& e) {
                                      e.SelectKey(2);
                                      e.fillKeycodeToTextbox(1, 0x30);
                                      e.Reset();
                                  },
                                  0, true},
                      CodeBoxCase{"KeySelectedAfterReset",
                                  [](TenKeyEditor& e) {
                                      e.Reset();
                                      e.SelectKey(7);
                                  },
                                  7},
                      CodeBoxCase{"PickedWithNoKeySelected",
                                  [](TenKeyEditor& e) { e.fillKeycodeToTextbox(2, 0x2C); }, 0,
                                  false, 2},
                      CodeBoxCase{"PickedWithNoKeySelectedAfterReset",
                                  [](TenKeyEditor& e) {
                                      e.Reset();
                                      e.fillKeycodeToTextbox(2, 0x2C);
                                  },
                                  0, true, 2}),
    [](const ::testing::TestParamInfo<CodeBoxCase>& info) { return info.param.name; });

} // namespace
