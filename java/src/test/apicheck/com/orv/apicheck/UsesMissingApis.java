package com.orv.apicheck;

/** Compiles with --release 8 but would not load on Android 7.0: the API check must refuse it. */
final class UsesMissingApis {
    static long now() {
        return java.time.Instant.now().toEpochMilli() + java.nio.file.Paths.get("/").getNameCount();
    }
}
