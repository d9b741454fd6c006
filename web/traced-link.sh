#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Runs the page's link (its linker launcher) with what wasm-ld traces, every
# archive member and object file that goes into the program, into TRACE:
# the page's notices are made from it (tools/notices.py).
#   traced-link.sh TRACE COMMAND...
trace=$1
shift
exec "$@" >"$trace"
