#include "CallReceptionTest.h"
#include "StartupTest.h"

#include <QCoreApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

// Runs every test class; "test_reception CLASS [QTest options]" runs one of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<CallReceptionTest>());
    tests.push_back(std::make_unique<StartupTest>());

    const char* only = nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-') {
        for (const auto& test : tests) {
            if (std::strcmp(test->metaObject()->className(), argv[1]) == 0)
                only = argv[1];
        }
        if (only)
            arguments.erase(arguments.begin() + 1);
    }
    int failures = 0;
    for (const auto& test : tests) {
        if (!only || std::strcmp(test->metaObject()->className(), only) == 0)
            failures += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    return failures == 0 ? 0 : 1;
}
