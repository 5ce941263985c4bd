#!/usr/bin/env bash
# The bash completion of eveda-batch, run the way bash runs it after a Tab: the options from the
# program's own --help, the choices of --order and --fit, files and directories for paths.
# Usage: batch_completion_test.sh COMPLETION_FILE EVEDA_BATCH
# Not -e nor -u: bash-completion's functions are written for an interactive shell.
set -o pipefail
completion=$1
program=$(realpath "$2")
library=/usr/share/bash-completion/bash_completion
[[ -r $library ]] || { echo "batch_completion_test: no $library (package bash-completion)"; exit 1; }
# shellcheck source=/dev/null
source "$library"
# shellcheck source=/dev/null
source "$completion"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir "$tree/shots" "$tree/show" && touch "$tree/shots.txt" "$tree/other"
cd "$tree"

failures=0
expect() {  # "words typed, the last one being completed", then the expected completions
  local typed=$1 expected=$2
  COMP_LINE=$program${typed#eveda-batch} COMP_POINT=${#COMP_LINE}
  # bash splits "--fit=c" into three words, as '=' is in COMP_WORDBREAKS.
  read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
  [[ $typed == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _eveda_batch "$program" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local actual
  actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
  if [[ $actual != "$expected" ]]; then
    echo "'$typed': got '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
}
expect 'eveda-batch --or' '--order'
expect 'eveda-batch -a ' 'columns columns-rtl rows rows-rtl'
expect 'eveda-batch --sort n' 'name natural none'
expect 'eveda-batch --files-from sho' 'shots shots.txt show'
expect 'eveda-batch --order c' 'columns columns-rtl'
expect 'eveda-batch --fit=c' 'center contain cover'
expect 'eveda-batch -f c' 'center contain cover'
expect 'eveda-batch --resample l' 'lanczos3 linear'
expect 'eveda-batch --no-' '--no-profile --no-rotate'
expect 'eveda-batch -q -W ' ''
expect 'eveda-batch -o sho' 'shots shots.txt show'
expect 'eveda-batch -q sh' 'shots shots.txt show'
expect 'eveda-batch -- -' ''
expect 'eveda-batch -s 2 --bl' '--block-height --block-width'
expect 'eveda-batch -O ' 'bmp jpeg png tiff webp'
expect 'eveda-batch --tiff-compression=' 'deflate jpeg lzw none'
expect 'eveda-batch --subsample ' '420 444'
expect 'eveda-batch --lo' '--lossless'
expect 'eveda-batch --la' '--label --label-color --label-size'
expect 'eveda-batch --til' '--tile-format --tile-size'
expect 'eveda-batch --tile-format ' 'jpeg png'
[[ $failures == 0 ]] || exit 1
echo "batch_completion_test: passed"
