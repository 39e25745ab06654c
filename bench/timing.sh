# What the whole-process benches share; sourced, not run.
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# A home of the bench's own under <dir>, kept from run to run as a user's is, so that no run
# finds the user's files.
ownHome() {
    export HOME=$1/home XDG_CACHE_HOME=$1/home/.cache XDG_RUNTIME_DIR=$1/runtime
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}
