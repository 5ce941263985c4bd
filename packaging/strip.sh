#!/bin/sh
# Strips an installed program as Debian's dh_strip does: symbols, and the compiler
# identification notes in .comment and .note, which lintian counts as unneeded.
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"
