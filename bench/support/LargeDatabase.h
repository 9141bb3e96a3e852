#pragma once

#include <QString>

// Builds benchmark databases from the installation's empty file: clients with Spanish names,
// addresses and numbers "11" + 8 digits, and calls 97 s apart from 1 Jan 2021 spread over
// workstations 1 to 10. The random sequence is fixed, so every build gives the same file.
namespace LargeDatabase {
// Copies the empty database to path (replacing nothing) and fills it; false on any failure.
bool build(const QString& path, int clients, int calls);
// The benchmarks' shared file of 100,000 clients and 1,000,000 calls, built at path unless it is
// there already (a run by hand may reuse it); says how long a build took. False on failure.
bool buildIfMissing(const QString& path);
// The number of the client with this index, as build() writes it.
[[nodiscard]] QString telefonoFor(int client);
// Resident memory of this process in kB.
[[nodiscard]] long residentKb();
} // namespace LargeDatabase
