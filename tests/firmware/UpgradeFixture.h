#pragma once

// Runs the upgrade sequence against the simulated loader and keeps what it reported.

#include "BootLoaderFixture.h"

#include "firmware/UpgradeSequence.h"
#include "firmware/image_check.h"

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using Line = std::pair<int, std::string>;

class UpgradeTest : public BootLoaderTest {
protected:
    bool Run(const std::string& file) { return Run(file, nullptr); }
    // With the image its caller checked, as the window and the command line run it.
    bool Run(const std::string& file, const firmware::ImageCheck* checked) {
        firmware::UpgradeSequence sequence(
            SimulatedFiles(),
            [this](int percent, const std::string& text) { lines.emplace_back(percent, text); });
        const bool done = checked ? sequence.Run(file, *checked) : sequence.Run(file);
        totalProgramTime = sequence.totalProgramTime;
        return done;
    }
    // Only the lines with text, as the status box shows them.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& [percent, text] : lines) {
            if (!text.empty()) {
                texts.push_back(text);
            }
        }
        return texts;
    }
    std::string Image(const std::string& name, const std::string& version,
                      uint32_t codeBytes = 2048) {
        return WriteFile(name, TiTxt(KeypadImage(version, codeBytes)));
    }

    std::vector<Line> lines;
    uint32_t totalProgramTime = 0;
};

} // namespace testsupport
