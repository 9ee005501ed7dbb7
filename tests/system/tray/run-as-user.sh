#!/bin/bash
# run-as-user.sh USER WINE_RUN BUILD_DIR PROGRAM [ARGS...]: runs a Windows
# program of the build tree as the user USER. Wine answers GetUserNameA with
# the Unix user name it finds in the environment ($USER) when a process
# starts, and a Windows program passes it on to the programs it starts; so
# the test program and every rmtray it starts run as USER. The prefix itself
# is brought up as its own user first.
set -eu
user=$1
wine_run=$2
build=$3
shift 3
"$(dirname "$wine_run")/wine-env.sh" up "$build" >/dev/null
USER=$user LOGNAME=$user exec "$wine_run" "$build" "$@"
