// The real-input helpers live in tests/support/XInput.cpp (linked through
// skin_test_files); this unit stays empty for the test targets that still list it.
