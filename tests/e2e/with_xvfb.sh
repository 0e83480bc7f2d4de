#!/usr/bin/env bash
# Runs a command on a private Xvfb display of 1024 x 768: with_xvfb.sh COMMAND [ARGS...]
VELVETFADE=${VELVETFADE:-} TEST_WINDOW=${TEST_WINDOW:-}
source "$(dirname "$0")/lib.sh"
start_xvfb
"$@"
