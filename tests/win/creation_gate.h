#pragma once
// Makes the backend's n-th creation from now on fail (0: none), and counts them.
namespace diag::wintest {
void refuseCreation(int n);
int creationsSince();
} // namespace diag::wintest
