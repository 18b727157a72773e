#pragma once

// Runs echovane-cli in the test process against the simulated bus and keeps what it wrote.

#include "cli/Cli.h"
#include "tests/support/EmulatorFixture.h"

#include <QStringList>

#include <sstream>
#include <string>

namespace testsupport {

template <typename Base> class CliRunner : public Base {
protected:
    int Run(QStringList args) {
        out.str({});
        err.str({});
        args.prepend(QStringLiteral("echovane-cli"));
        return cli::Run(args, out, err, console);
    }
    std::ostringstream out;
    std::ostringstream err;
    cli::Console console;
};

} // namespace testsupport
