// Stand-in MAME for the tests (filled in with the MAME invocation work).
int main() { return 0; }
