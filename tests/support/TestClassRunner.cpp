#include "TestClassRunner.h"

#include <QByteArray>
#include <QTest>

#include <cstring>

int runTestClasses(int argc, char** argv, const std::vector<std::unique_ptr<QObject>>& tests)
{
    const auto isNamed = [](const QObject& test, const char* name) {
        return std::strcmp(test.metaObject()->className(), name) == 0;
    };

    // A test function given by name (as a test run again as another user is) runs only in the
    // classes that have it: the others would fail it as unknown.
    const auto hasFunction = [](const QObject& test, const char* name) {
        const QByteArray function = QByteArray(name).split(':').constFirst();
        return test.metaObject()->indexOfMethod(QByteArray(function + "()").constData()) >= 0;
    };

    const char* only = nullptr;
    const char* function = nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-') {
        for (const auto& test : tests) {
            if (std::strchr(argv[1], ':') == nullptr && isNamed(*test, argv[1]))
                only = argv[1];
        }
        if (only)
            arguments.erase(arguments.begin() + 1);
        else
            function = argv[1];
    }
    int failures = 0;
    for (const auto& test : tests) {
        if ((!only || isNamed(*test, only)) && (!function || hasFunction(*test, function)))
            failures += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    return failures == 0 ? 0 : 1;
}
