// The translation unit that the tests' precompiled header is made with: the header is all of it.
