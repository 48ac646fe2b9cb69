#!/usr/bin/env bash
# Runs two builds of parvex-cli (this machine's and a cross build under its emulator) on the same
# inputs and options and requires the same exit status, standard output and standard error,
# byte for byte, and the same -o file.
# With the print outputs built (PRINT=1 in the environment), also the same HTML file, the same
# cells in the .xlsx and the same text in the PDF (pdftotext), on the examples and test tables.
# Usage: cli_same_output.sh HOST_CLI TARGET_CLI EMULATOR WORK_DIR INPUT...
set -u
host=$1 target=$2 emulator=$3 work=$4
shift 4
rm -rf "$work" && mkdir -p "$work" || exit 1
cd "$work" || exit 1
failures=0 runs=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A table of about 10 MB, past the size that is cut on two threads: CJK text, quoted cells with
# TABs and line breaks, CR LF, cells to trim, a key column that changes every 37 rows.
awk 'BEGIN {
  print "学号\t姓名\t班级\t备注\r";
  for (i = 1; i <= 350000; i++) {
    note = (i % 11 == 0) ? "\"a\tb\n\"\"c\"\"\"" : (i % 7 == 0 ? "  spaced  " : "x" i);
    printf "%06d\t张%d\t%d班\t%s\r\n", i, i % 97, int(i / 37), note;
  }
}' >generated.txt

option_sets=(
  ""
  "-n 3 -r 40 --no-key"
  "-n 2 -r 3 -k 2"
  "-n 2 -r 3 -k 2 --no-pad"
  "-n 4 -r 10 -k 1 --no-title"
  "-n 1 -w 80 -k 99"
)

# same NAME -- ARGS...: both builds, stdin from $stdin_file
same() {
  local name=$1
  shift 2
  runs=$((runs + 1))
  "$host" "$@" <"${stdin_file:-/dev/null}" >host.out 2>host.err
  local host_status=$?
  "$emulator" "$target" "$@" <"${stdin_file:-/dev/null}" >target.out 2>target.err
  local target_status=$?
  [ "$host_status" -eq "$target_status" ] || fail "$name: exit status $target_status, want $host_status"
  cmp -s host.out target.out || fail "$name: standard output differs"
  cmp -s host.err target.err || fail "$name: standard error differs: $(head -c 200 target.err) / $(head -c 200 host.err)"
}

for input in "$@" generated.txt; do
  for opts in "${option_sets[@]}"; do
    # shellcheck disable=SC2086
    same "$(basename "$input") [$opts]" -- $opts "$input"
  done
  # shellcheck disable=SC2086
  stdin_file=$input same "$(basename "$input") from standard input" -- -n 2 -
  runs=$((runs + 1))
  rm -f host.txt target.txt
  "$host" -q -n 3 -o host.txt "$input" 2>/dev/null
  "$emulator" "$target" -q -n 3 -o target.txt "$input" 2>/dev/null
  if [ -e host.txt ] || [ -e target.txt ]; then
    cmp -s host.txt target.txt || fail "$(basename "$input") -o: the files differ"
  fi
done

# The file outputs: the emulator writes the same HTML bytes, a workbook with the same sheet (its
# file differs only in the zip's time stamps) and a PDF that reads back as the same text.
if [ "${PRINT:-0}" = 1 ]; then
  for input in "$@"; do
    case "$input" in *.txt) ;; *) continue ;; esac
    for opts in "" "-n 3 --no-key --landscape" "-n 2 -k 2 --balance --header 页眉"; do
      runs=$((runs + 1))
      name="$(basename "$input") [$opts] files"
      rm -rf host target && mkdir host target
      # shellcheck disable=SC2086
      "$host" -q $opts --html host/t.html --pdf host/t.pdf --xlsx host/t.xlsx "$input" >/dev/null 2>&1
      # shellcheck disable=SC2086
      "$emulator" "$target" -q $opts --html target/t.html --pdf target/t.pdf --xlsx target/t.xlsx "$input" \
        >/dev/null 2>&1
      cmp -s host/t.html target/t.html || fail "$name: the HTML differs"
      for member in xl/worksheets/sheet1.xml xl/workbook.xml; do
        cmp -s <(unzip -p host/t.xlsx "$member") <(unzip -p target/t.xlsx "$member") ||
          fail "$name: $member differs"
      done
      [ -s host/t.pdf ] || fail "$name: no PDF from the build machine's parvex-cli"
      cmp -s <(pdftotext -layout host/t.pdf -) <(pdftotext -layout target/t.pdf -) ||
        fail "$name: the PDF's text differs"
    done
  done
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed in $runs runs"
  exit 1
fi
echo "all $runs runs gave the same bytes on both builds"
