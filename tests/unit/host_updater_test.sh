#!/usr/bin/env bash
# Runs the host updater as a user would, answering its boxes through standard input.
set -u
updater=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUORLEN_REGISTRY_ROOT=$work/registry
key=$QUORLEN_REGISTRY_ROOT/HKEY_CURRENT_USER/Software/Tavrel/QUORLEN
failures=0

check() {  # name, expected exit code 0, output, pattern that must appear
  local name=$1 output=$2 pattern=$3
  if ! grep -qF -- "$pattern" <<<"$output"; then
    echo "FAIL $name: expected '$pattern' in:"; echo "$output"; failures=$((failures + 1))
  fi
}
refute() {
  local name=$1 output=$2 pattern=$3
  if grep -qF -- "$pattern" <<<"$output"; then
    echo "FAIL $name: did not expect '$pattern' in:"; echo "$output"; failures=$((failures + 1))
  fi
}
run() {  # standard input as a printf format (or - for none), args...
  local input=$1; shift
  if [ "$input" = - ]; then "$updater" "$@" </dev/null; else printf -- "$input" | "$updater" "$@"; fi
  echo "exit=$?"
}
install_game() {
  rm -rf "$work/game" "$key"; mkdir -p "$work/game" "$key"
  echo old >"$work/game/QUORLEN.exe"
  printf '%s\\\0' "$work/game" >"$key/DataDir"
}

out=$(run -)
check no-key "$out" "Ostrevaneがインストールされていません。"
check no-key "$out" "exit=0"

install_game; rm "$key/DataDir"
check no-value "$(run -)" "Ostrevaneがインストールされていません。"

install_game; rm "$work/game/QUORLEN.exe"
out=$(run -)
check no-exe "$out" "QUORLEN.exeが見つかりません。"
refute no-exe "$out" "書き換えてよろしいですか？"

for answer in "no\n" "cancel\n" "x\n"; do
  install_game
  out=$(run "$answer")
  check "answer $answer" "$out" "書き換えてよろしいですか？"
  refute "answer $answer" "$out" "終了しました"
  check "answer $answer" "$(cat "$work/game/QUORLEN.exe")" "old"
done

install_game
out=$(run -)
refute end-of-input "$out" "終了しました"
check end-of-input "$(cat "$work/game/QUORLEN.exe")" "old"

for answer in "\n" "ok\n" "OK\n" "Ok"; do
  install_game
  out=$(run "$answer" --some argument)
  check "answer $answer" "$out" "[ QUORLEN 1.01 ]"
  check "answer $answer" "$out" "プログラムの更新が終了しました。"
  check "answer $answer" "$out" "exit=0"
  check "answer $answer" "$(sh "$work/game/QUORLEN.exe")" "Ostrevane Ver1.01"
  check "answer $answer" "$(iconv -f CP932 -t UTF-8 "$work/game/AdvData/MES/MAIN.MES")" "霧の港"
  check "answer $answer" "$(stat -c %Y "$work/game/QUORLEN.exe")" "1225762634"
  check "answer $answer" "$(stat -c %Y "$work/game/AdvData/MES/MAIN.MES")" "1225530773"
done

install_game; echo data >"$work/game/AdvData"
out=$(run '\n')
check advdata-file "$out" "$work/game\\AdvData\\MES\\MAIN.MES"
check advdata-file "$out" "に書き込みできません。"

if [ "$failures" -ne 0 ]; then echo "$failures failed"; exit 1; fi
echo "host updater dialogue: all passed"
