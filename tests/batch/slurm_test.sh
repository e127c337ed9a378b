#!/bin/sh
# slurm_test.sh ZEPLO DATA_DIR
#
# The same plan through a one-node Slurm cluster on this machine and through
# the in-process batch: every run folder and summary.csv the same bytes.
# Starts munged (unless one already answers), slurmctld and slurmd with a
# minimal slurm.conf in a scratch folder (SLURM_CONF; nothing under /etc is
# written), submits the array `zeplo batch --emit slurm` wrote, waits for it,
# runs `zeplo collect`, and stops every daemon it started. Exits 77 (skipped)
# with the reason when the daemons cannot run here.
set -u
zeplo=$1
data=$2
work=$(mktemp -d /tmp/zeplo-slurm-XXXXXX)
munged_pid= ctld_pid= slurmd_pid= job=

say() { printf '%s\n' "slurm_test: $*"; }

# Waits up to $1 tenths of a second for the command after it to succeed.
poll() {
    n=$1
    shift
    while [ "$n" -gt 0 ]; do
        "$@" && return 0
        sleep 0.1
        n=$((n - 1))
    done
    return 1
}

# A process gone, or a zombie waiting to be reaped (PID 1 reaps late here).
gone() {
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    case $state in Z*) return 0 ;; esac
    return 1
}

stop() {
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null
    poll 100 gone "$1" || { kill -9 "$1" 2>/dev/null; poll 50 gone "$1"; }
    wait "$1" 2>/dev/null
}

teardown() {
    [ -n "$job" ] && scancel "$job" 2>/dev/null
    stop "$slurmd_pid"
    stop "$ctld_pid"
    stop "$munged_pid"
    rm -rf "$work"
}
trap teardown EXIT
trap 'exit 130' INT TERM

skip() {
    say "SKIPPED: $*"
    for log in "$work"/slurmctld.log "$work"/slurmd.log "$work"/munged.log; do
        [ -s "$log" ] && { say "last lines of $log:"; tail -n 15 "$log"; }
    done
    exit 77
}

fail() {
    say "FAILED: $*"
    exit 1
}

for tool in munged munge unmunge slurmctld slurmd sbatch squeue sinfo scancel setpriv; do
    command -v "$tool" > /dev/null || skip "$tool is not installed (apt-get install slurm-wlm munge)"
done
[ "$(id -u)" = 0 ] || skip "slurmd and munged need root here (running as $(id -un))"

# munge: the daemon Slurm authenticates with. Its socket folder is made here;
# it runs as the munge user in the foreground so that $! is munged itself.
if ! { munge -n | unmunge; } > /dev/null 2>&1; then
    mkdir -p /run/munge && chown munge:munge /run/munge && chmod 0755 /run/munge
    setpriv --reuid=munge --regid=munge --init-groups munged -F > "$work/munged.log" 2>&1 &
    munged_pid=$!
    poll 100 sh -c 'munge -n | unmunge' > /dev/null 2>&1 || skip "munged did not start"
fi

host=$(hostname -s)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
cat > "$SLURM_CONF" <<CONF
ClusterName=zeplotest
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
SchedulerParameters=batch_sched_delay=0
SlurmdParameters=config_overrides
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
NodeName=$host CPUs=4 State=UNKNOWN
PartitionName=zeplo Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF

slurmctld -D -i > "$work/slurmctld.out" 2>&1 &
ctld_pid=$!
slurmd -D > "$work/slurmd.out" 2>&1 &
slurmd_pid=$!
idle() { [ "$(sinfo -h -o %T 2>/dev/null)" = idle ]; }
if ! poll 300 idle; then
    gone "$ctld_pid" && skip "slurmctld exited: $(tail -n 3 "$work/slurmctld.out")"
    gone "$slurmd_pid" && skip "slurmd exited: $(tail -n 3 "$work/slurmd.out")"
    skip "the node did not become idle in 30 s (sinfo: $(sinfo -h -o '%T %E' 2>&1))"
fi
say "one-node cluster up on $host"

# The plan: real records under the shipped profiles, one row broken.
study="$work/study"
mkdir -p "$study/data"
cp "$data/elcentro.txt" "$data/shafter.txt" "$data/formats/NIS090.AT2" "$data/tri.dat" "$data/tri_nd.dat" \
   "$data/yb.dat" "$study/data/"
{
    echo "name,record,soil,wrt,shape,taper_hz,units,record_units"
    for soil in tri tri_nd yb; do
        echo "elc-$soil,data/elcentro.txt,data/$soil.dat,bedrock,integrate,0.1 0.2 20 24,cm/s2,g"
        echo "shaf-$soil,data/shafter.txt,data/$soil.dat,,,,,cm/s2"
        echo "nis-$soil,data/NIS090.AT2,data/$soil.dat,input,differentiate,,m/s2,"
    done
    echo "broken,data/missing.txt,data/tri.dat,,,,,g"
} > "$study/plan.csv"
rows=10

"$zeplo" batch "$study/plan.csv" --out "$work/here" --jobs 2 --quiet --input-motion outcrop 2> "$work/here.err"
[ $? = 1 ] || fail "the in-process batch should fail its broken row alone"

"$zeplo" batch "$study/plan.csv" --emit slurm --out "$work/slurm" --jobs 4 --input-motion outcrop > "$work/emit.out" ||
    fail "zeplo batch --emit slurm: $(cat "$work/emit.out")"
grep -q "^#SBATCH --array=1-$rows%4\$" "$work/slurm/array.sbatch" || fail "array.sbatch: $(cat "$work/slurm/array.sbatch")"
job=$(sbatch --parsable "$work/slurm/array.sbatch") || fail "sbatch refused the array"
say "submitted array job $job ($rows tasks)"
poll 1200 sh -c '! squeue -h -j "$0" 2>/dev/null | grep -q .' "$job" || fail "the array did not end in 120 s"
job=

tasks=$(ls "$work/slurm/logs" | grep -c '^slurm-.*\.out$')
[ "$tasks" = "$rows" ] || fail "$tasks task outputs for $rows rows: $(ls "$work/slurm/logs")"

"$zeplo" collect "$work/slurm" 2> "$work/collect.err"
[ $? = 1 ] || fail "zeplo collect should report the broken row: $(cat "$work/collect.err")"
grep -q '^  broken: .*missing.txt: cannot open the record file' "$work/collect.err" ||
    fail "collect's failure list: $(cat "$work/collect.err")"

same=0
for name in $(cut -d, -f1 "$study/plan.csv" | tail -n +2); do
    [ "$name" = broken ] && continue
    diff -r "$work/here/$name" "$work/slurm/$name" > /dev/null || fail "run folder $name differs"
    same=$((same + 1))
done
cmp "$work/here/summary.csv" "$work/slurm/summary.csv" || fail "summary.csv differs"
[ ! -e "$work/slurm/broken/run.json" ] || fail "the broken row left a run.json"
say "$same run folders and summary.csv identical to the in-process batch"
say "1 passed, 0 failed"
