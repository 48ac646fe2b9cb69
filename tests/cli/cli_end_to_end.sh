#!/usr/bin/env bash
# Runs the real parvex-cli binary: bytes in, bytes out, exit status, -o left alone on error.
# Usage: cli_end_to_end.sh PARVEX_CLI DATA_DIR EXAMPLES_DIR WORK_DIR [EMULATOR]
# EMULATOR (Wine for a Windows build) runs the binary when it is not for this machine.
set -u
cli=$1 data=$2 examples=$3 work=$4 emulator=${5:-}
run_cli() { ${emulator:+"$emulator"} "$cli" "$@"; }
# Wine turns the command line into UTF-16 by the locale's character set: make it UTF-8.
export LC_ALL=C.UTF-8
rm -rf "$work" && mkdir -p "$work" || exit 1
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS NAME -- ARGS...: runs the tool with stdin from $stdin_file, stdout to out, stderr to err
expect() {
  local want=$1 name=$2; shift 3
  run_cli "$@" <"${stdin_file:-/dev/null}" >out 2>err
  local got=$?
  [ "$got" -eq "$want" ] || fail "$name: exit status $got, want $want ($(cat err))"
}
# The one error line a failed run must leave: prefix, exactly one line, nothing on stdout.
expect_one_error_line() {
  [ -s out ] && fail "$1: stdout not empty"
  [ "$(wc -l <err)" -eq 1 ] || fail "$1: stderr holds $(wc -l <err) lines, want 1"
  grep -q '^parvex-cli: ' err || fail "$1: stderr lacks the parvex-cli: prefix"
}

# The three layouts of the two-class table, from a file and from standard input.
for case in "no_key:--no-key" "key2_pad:-k 2" "key2_no_pad:-k 2 --no-pad"; do
  name=${case%%:*} opts=${case#*:}
  # shellcheck disable=SC2086
  expect 0 "$name" -- -q -n 2 -r 3 $opts "$data/classes.txt"
  cmp -s out "$data/classes_n2_r3_$name.expected" || fail "$name: stdout differs from the expected bytes"
  [ -s err ] && fail "$name: -q still wrote to stderr"
  # shellcheck disable=SC2086
  stdin_file=$data/classes.txt expect 0 "$name stdin" -- -q -n 2 -r 3 $opts -
  cmp -s out "$data/classes_n2_r3_$name.expected" || fail "$name stdin: stdout differs"
done

# The closing message: one line on stderr, nothing of it on stdout.
expect 0 "message" -- -n 2 -r 3 "$data/classes.txt"
[ "$(wc -l <err)" -eq 1 ] || fail "message: want one line on stderr"
cmp -s out "$data/classes_n2_r3_no_key.expected" || fail "message: stdout differs (the default key 3 is past the last column)"

# The bundled roster: three classes, each a page of its own padded to 46 rows but the last.
expect 0 "roster" -- -q "$examples/roster.txt"
lines=$(($(wc -l <out) + 1))
[ "$lines" -eq $((1 + 46 + 46 + 19)) ] || fail "roster: $lines rows, want 112"
head -n 1 out | grep -q "^学号	姓名	班级	性别	出生日期	联系电话		学号	" || fail "roster: title row not repeated"

# -o: written on success, untouched on every kind of error, no temporary file left over.
printf 'keep me\n' >kept.txt
expect 0 "-o success" -- -q -n 2 -r 3 --no-key -o written.txt "$data/classes.txt"
cmp -s written.txt "$data/classes_n2_r3_no_key.expected" || fail "-o success: file differs"
[ -s out ] && fail "-o success: stdout not empty"
printf 'a\tb\r\nc\0d\r\n' >has_nul.txt
printf 'a\tb\r\n' >good.txt
for case in "bad option:--bogus good.txt" "bad value:-n x good.txt" "missing file:no-such-file.txt" \
            "nul byte:has_nul.txt" "directory:." "key and no-key:-k 2 --no-key good.txt"; do
  name=${case%%:*} args=${case#*:}
  # shellcheck disable=SC2086
  expect 2 "$name" -- -o kept.txt $args
  expect_one_error_line "$name"
  [ "$(cat kept.txt)" = "keep me" ] || fail "$name: -o file changed"
done
expect 2 "-o in a missing directory" -- -o no-such-dir/out.txt good.txt
expect_one_error_line "-o in a missing directory"
leftovers=$(find . -name '.*.txt.*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "temporary files left behind: $(find . -name '.*.txt.*')"

# A reader that goes away mid-output is a write error, not a silent success.
seq 1 50000 | sed 's/$/\tx\r/' >long.txt
{ run_cli -q -n 1 long.txt 2>pipe_err; echo $? >pipe_status; } | head -c 1 >/dev/null
[ "$(cat pipe_status)" -eq 2 ] || fail "closed pipe: exit status $(cat pipe_status), want 2"
[ "$(wc -l <pipe_err)" -eq 1 ] || fail "closed pipe: want one error line"

# A file name outside any ANSI code page, through the real command line, in and out.
cp "$data/classes.txt" 名单.txt
expect 0 "non-ASCII names" -- -q -n 2 -r 3 --no-key -o 结果.txt 名单.txt
cmp -s 结果.txt "$data/classes_n2_r3_no_key.expected" || fail "non-ASCII names: output file differs"

expect 0 "version" -- --version
[ "$(cat out)" = "Parvex 2.4" ] || fail "version: $(cat out)"

if [ "$failures" -ne 0 ]; then
  echo "$failures end-to-end check(s) failed"
  exit 1
fi
echo "all end-to-end checks passed"
