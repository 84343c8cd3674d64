# Sourced by scripts/make-screenshots.sh: the promptloom command picking from a pipe, natively.
cli_dir=$(mktemp -d) && touch "$cli_dir/build.log" "$cli_dir/test.log" "$cli_dir/选择.log"
cat >"$cli_dir/run.sh" <<RUN
cd $cli_dir && echo '\$ ls *.log | promptloom pick --title Logs'
ls *.log | $PWD/build/native/bin/promptloom pick --title Logs >/dev/null; sleep 60
RUN
W=64 H=10 con_run cli "sh $cli_dir/run.sh"
con_wait cli '确定'
con_key cli Space; con_key cli Down; con_key cli Down; con_key cli Space; con_key cli Down
shot cli 64
con_key cli Escape
rm -rf "$cli_dir"
