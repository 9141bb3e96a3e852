#pragma once

#include <QObject>

#include <memory>
#include <vector>

// Runs several QTest classes from one executable. "<test> CLASS [QTest options]" runs only the
// class of that name; "<test> FUNCTION [QTest options]" runs that function in the classes that have
// it. Returns 0 when every class passed.
int runTestClasses(int argc, char** argv, const std::vector<std::unique_ptr<QObject>>& tests);
