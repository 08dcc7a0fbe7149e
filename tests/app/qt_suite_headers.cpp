// Compiles the suites' shared precompiled header.
