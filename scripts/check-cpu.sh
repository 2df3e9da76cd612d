#!/bin/bash
# Checks that the shipped exe runs on the i386 (a 386DX runs Windows 95): disassembles every
# executable section and fails on any instruction that the 386 lacks (the 486's, the Pentium's and
# the Pentium Pro's additions, MMX, 3DNow!, SSE and later). Prints the address and the instruction
# of each one found, then the count.
# Usage: scripts/check-cpu.sh korvane.exe      (OBJDUMP names the cross objdump)
set -uo pipefail
export LC_ALL=C
exe=${1:?exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
dump=$("$objdump" -d --no-show-raw-insn "$exe") || { echo "check-cpu: cannot disassemble $exe"; exit 1; }

found=$(awk -F'\t' '
  # Instruction lines: "  401000:<TAB>push   %ebp" (no raw bytes).
  /^ *[0-9a-f]+:\t/ {
    addr = $1; sub(/^ */, "", addr); sub(/:$/, "", addr)
    insn = $2
    text = insn
    # Prefixes ahead of the mnemonic.
    while (match(text, /^(lock|rep|repz|repe|repnz|repne|data16|data32|addr16|addr32|cs|ds|es|fs|gs|ss|notrack|bnd) +/))
      text = substr(text, RLENGTH + 1)
    split(text, part, " ")
    m = part[1]
    bad = 0
    if (m ~ /^(bswap|xadd[bwl]?|cmpxchg[bwl]?|invlpg|invd|wbinvd)$/) bad = 1  # i486
    else if (m ~ /^(cmov|fcmov)/) bad = 1                              # Pentium Pro
    else if (m ~ /^(fcomi|fcomip|fucomi|fucomip)$/) bad = 1            # Pentium Pro
    else if (m ~ /^(cmpxchg8b|cmpxchg16b|rdtsc|rdtscp|rdpmc|rdmsr|wrmsr|cpuid)$/) bad = 1  # Pentium and later
    else if (m ~ /^(sysenter|sysexit|syscall|sysret)$/) bad = 1
    else if (m ~ /^(emms|femms|pavgusb|pmulhrw|pi2fd|pi2fw|pf2id|pf2iw|pswapd)$/ || m ~ /^pf(acc|add|cmp|max|min|mul|nacc|pnacc|rcp|rsq|sub|subr)/) bad = 1  # MMX, 3DNow!
    else if (m ~ /^(prefetch|prefetchw|prefetchnta|prefetcht0|prefetcht1|prefetcht2|sfence|lfence|mfence|clflush|clflushopt|movnti|ldmxcsr|stmxcsr|fxsave|fxrstor|xsave|xrstor|xgetbv)/) bad = 1
    else if (m ~ /^(popcnt|lzcnt|tzcnt|andn|bextr|blsi|blsr|blsmsk|bzhi|pdep|pext|rorx|sarx|shlx|shrx|movbe|adcx|adox|crc32|rdrand|rdseed)$/) bad = 1
    else if (insn ~ /%(mm[0-7]|[xyz]mm[0-9]+|k[0-7])([^0-9]|$)/) bad = 1       # MMX, SSE, AVX registers
    if (bad) print addr "\t" insn
  }' <<<"$dump")

count=0
[ -n "$found" ] && count=$(echo "$found" | wc -l)
[ -n "$found" ] && echo "$found" | sed 's/^/    /'
echo "check-cpu: $exe: $count instructions beyond the i386"
[ "$count" = 0 ]
