#!/usr/bin/env bash
# run-junit.sh JAVA CLASSPATH LIBPATH [JVM_ARGS...] -- CLASS...
# Runs JUnit 4 in one JVM with -Xcheck:jni and a private properties file. Fails when JUnit
# fails or when the JVM printed any JNI warning.
set -u
java=$1 cp=$2 libpath=$3
shift 3
jvm_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do jvm_args+=("$1"); shift; done
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/orv-junit-XXXXXX")
trap 'rm -rf "$work"' EXIT
export ORV_PROPERTIES_FILE="$work/properties"
export LD_LIBRARY_PATH="$libpath${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
"$java" -Xcheck:jni -Djava.library.path="$libpath" ${jvm_args[@]+"${jvm_args[@]}"} \
    -cp "$cp" org.junit.runner.JUnitCore "$@" >"$work/out" 2>&1
status=$?
cat "$work/out"
if grep -Eq '^WARNING|WARNING in native method|FATAL ERROR in native method' "$work/out"; then
    echo "run-junit: the JVM reported a JNI problem (see above)" >&2
    exit 1
fi
exit $status
