#include "cli/Cli.h"

#include <QCoreApplication>

#include <iostream>

#ifdef ECHOVANE_DEMO
#include "cli/DemoKeypad.h"
#endif

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("echovane-cli"));
#ifdef ECHOVANE_DEMO
    cli::DemoKeypad keypad;
#endif
    return cli::Run(QCoreApplication::arguments(), std::cout, std::cerr);
}
