#!/bin/bash
# fresh-prefix.sh SCRIPTS_DIR BUILD_DIR PROGRAM [ARGS...]: runs a Windows
# program in the Wine environment BUILD_DIR/wine-setup, whose prefix is made
# anew for every run, and takes that environment down afterwards: the setup
# must find nothing of an earlier installation, and the other tests' prefix
# (BUILD_DIR/wine) stays untouched. Listing the tests (--gtest_list_tests)
# only needs Wine: it runs in the other tests' environment.
set -u
scripts=$1
build=$2
shift 2
case " $* " in
  *" --gtest_list_tests "*) exec "$scripts/wine-run" "$build" "$@" ;;
esac
name=wine-setup
"$scripts/wine-env.sh" down "$build" --name "$name"
rm -rf "${build:?}/$name/prefix"
"$scripts/wine-env.sh" up "$build" --name "$name" >/dev/null || exit 1
# "up" lists the build tree's applet for the Control Panel; here only the
# setup may list one.
"$scripts/register-cpl.sh" "$build" --name "$name" --remove
# shellcheck disable=SC1090
. "$build/$name/env"
"$scripts/wine10" wine "$@"
code=$?
"$scripts/wine-env.sh" down "$build" --name "$name"
exit $code
