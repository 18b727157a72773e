#include "SelfTestLayout.h"

namespace selftest {
namespace {

// Only Volume and Select differ between firmware versions.
KeyCodes CodesFor(int volume, int select) {
    KeyCodes codes{};
    const std::array<int, kInputCount> inputs = {volume, vk::Left, vk::Right, vk::Down, vk::Up,
                                                 select, vk::F18,  vk::F19,   vk::F15,  vk::F16};
    for (int i = 0; i < kInputCount; ++i) {
        codes[i] = inputs[i];
    }
    return codes;
}

constexpr std::array<std::array<MarkerPoint, kInputCount>, kInstallModeCount> kMarkers = {{
    {{{245, 599},
      {211, 398},
      {383, 398},
      {296, 474},
      {296, 326},
      {296, 398},
      {459, 463},
      {459, 499},
      {343, 576},
      {343, 622}}},
    {{{178, 382},
      {299, 423},
      {471, 423},
      {384, 499},
      {384, 351},
      {384, 423},
      {299, 578},
      {299, 614},
      {178, 453},
      {178, 499}}},
    {{{459, 482},
      {180, 423},
      {356, 423},
      {264, 498},
      {264, 349},
      {267, 423},
      {354, 263},
      {354, 299},
      {459, 349},
      {459, 395}}},
}};

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

const char* PictureForMode(int installMode) {
    switch (installMode) {
    case 0:
        return "echovelte_3.jpg";
    case 2:
        return "echovelte_4.jpg";
    default:
        return "echovelte_2.jpg";
    }
}

SelfTestLayout ChooseLayout(std::string_view firmwareVersion, int installModeBefore) {
    SelfTestLayout layout;
    // "778" is tested first: a version holding both "778" and "810" is a "778" one.
    if (Contains(firmwareVersion, "778")) {
        layout.actualKeyCode = CodesFor(vk::F17, vk::Return);
        layout.installMode = installModeBefore == 0 ? 0 : 1;
    } else if (Contains(firmwareVersion, "810")) {
        layout.actualKeyCode = CodesFor(vk::F17, vk::Space);
        layout.installMode = 1;
    } else if (Contains(firmwareVersion, "828")) {
        layout.actualKeyCode = CodesFor(vk::F12, vk::Return);
        layout.installMode = 2;
    } else {
        layout.actualKeyCode = CodesFor(vk::F17, vk::Return);
        layout.installMode = 1;
    }
    layout.picture = PictureForMode(layout.installMode);
    return layout;
}

MarkerPoint MarkerPosition(int installMode, int input) {
    if (installMode < 0 || installMode >= kInstallModeCount) {
        installMode = 1;
    }
    if (input < 0 || input >= kInputCount) {
        return {kPictureX, kPictureY};
    }
    return kMarkers[installMode][input];
}

int MatchKeyDown(const KeyCodes& actualKeyCode, const std::array<bool, kInputCount>& seen,
                 int virtualKey, bool modifierHeld) {
    if (modifierHeld || virtualKey == 0) {
        return -1;
    }
    for (int i = 0; i < kInputCount; ++i) {
        if (!seen[i] && actualKeyCode[i] == virtualKey) {
            return i;
        }
    }
    return -1;
}

} // namespace selftest
