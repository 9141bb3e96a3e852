#include "TestClassRunner.h"

#include <QTest>

#include <cstring>

int runTestClasses(int argc, char** argv, const std::vector<std::unique_ptr<QObject>>& tests)
{
    const auto isNamed = [](const QObject& test, const char* name) {
        return std::strcmp(test.metaObject()->className(), name) == 0;
    };

    const char* only = nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-' && std::strchr(argv[1], ':') == nullptr) {
        for (const auto& test : tests) {
            if (isNamed(*test, argv[1]))
                only = argv[1];
        }
        if (only)
            arguments.erase(arguments.begin() + 1);
    }
    int failures = 0;
    for (const auto& test : tests) {
        if (!only || isNamed(*test, only))
            failures += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    return failures == 0 ? 0 : 1;
}
