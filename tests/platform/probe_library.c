/* A tiny shared library built twice with different values, to tell which copy was loaded. */
int kiv_probe_value(void) { return KIV_PROBE_VALUE; }
