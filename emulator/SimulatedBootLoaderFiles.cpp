// The demo's and the tests' side of the firmware upgrade's link seam: the RAM boot loader and
// password they carry are the simulated MCU's own.

#include "emulator/SimulatedRamBsl.h"
#include "firmware/boot_loader_files.h"

namespace firmware {

const EmbeddedBootLoaderFiles& EmbeddedBootLoader() {
    static const EmbeddedBootLoaderFiles files = {emulator::SimulatedRamBslText(),
                                                  {},
                                                  "the simulated keypad's RAM boot loader",
                                                  emulator::SimulatedPasswordText(),
                                                  "the simulated keypad's password"};
    return files;
}

} // namespace firmware
