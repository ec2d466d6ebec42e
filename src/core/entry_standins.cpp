// Weak stand-in for the one routine text entry calls that paragraph wrapping
// has not provided yet; the real definition overrides it at link time.

// Wrap as you type: until wrapping exists, typed text is left as it is.
__attribute__((weak)) void wrap_line(int) {}
