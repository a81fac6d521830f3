// velkaro-cli: the command-line twin of the desktop program.
#include <cstdio>
int main() { std::puts("velkaro-cli " VELKARO_VERSION); return 0; }
