#!/bin/sh
# vantrel-collect.sh: reads this Linux PC's hardware and installed programs
# once, asks for the person's name and department, and sends one report to
# the Vantrel intake.
# Plain POSIX sh (dash, bash, busybox sh); runs as an ordinary user and
# needs nothing installed. Its one file is the form body, private (mode
# 600) in $TMPDIR or /tmp, so that the report never shows on a command line
# in ps; it is removed on every way out.
#
#   curl -fsS --max-time 60 http://SERVER:8899/vantrel-collect.sh | sh
#   curl -fsS --max-time 60 http://SERVER:8899/vantrel-collect.sh | sh -s -- --silent --user NAME
#   sh vantrel-collect.sh [--silent] [--server HOST[:PORT]] [--user U] [--dept D]
#                         [--tel T] [--note N]
#
# Exit status: 0 thanked, 1 cancelled at a question, 2 bad command line or
# no known server, 3 server unreachable, no answer within the deadline (or
# no program to send with), 4 server error.
#
# The post has one deadline for the whole run of the program that sends it,
# 120 s: curl's --max-time, else timeout(1), else a watchdog here that
# stops wget. VANTREL_COLLECT_DEADLINE (whole seconds) shortens it, for
# tests.
#
# Nothing the user types, the system reports or the server answers is ever
# evaluated: such text lives in quoted variables and reaches a program only
# as an argument or on its standard input, never as code.

# The intake writes its address between the quotes as it serves this file.
vantrel_server=''

# What every awk program here shares. Text is code page 936 bytes, read
# with LC_ALL=C, so that length() counts bytes and [...] ranges are ASCII.
awk_lib='
BEGIN { for (i = 1; i < 256; i++) ord[sprintf("%c", i)] = i; JMAX = 255 }
function hx(h) { h = tolower(h); return (index("0123456789abcdef", substr(h, 1, 1)) - 1) * 16 + index("0123456789abcdef", substr(h, 2, 1)) - 1 }
function clean(s) { gsub(/[\001-\040\177]+/, " ", s); sub(/^ /, "", s); sub(/ $/, "", s); return s }
function lead(c) { return ord[c] >= 129 && ord[c] <= 254 }
function cut(s, max,  i, n) {
  if (length(s) <= max) return s
  for (i = 1; i <= max; i += n) { n = lead(substr(s, i, 1)) ? 2 : 1; if (i + n - 1 > max) break }
  return substr(s, 1, i - 1)
}
function size_text(b,  g) {
  if (b <= 0) return ""
  g = b / 1073741824
  if (g >= 10) return sprintf("%.1f GB", g)
  if (g >= 1) return sprintf("%.2f GB", g)
  return sprintf("%.0f MB", b / 1048576)
}
function join(item) {
  item = clean(item)
  if (item == "" || JDONE || (item in SEEN)) return
  if (J == "") J = cut(item, JMAX)
  else if (length(J) + 2 + length(item) <= JMAX) J = J "; " item
  else { JDONE = 1; return }
  SEEN[item] = 1
}
function disk(model, bytes,  size) {
  model = clean(model); size = size_text(bytes)
  if (model == "") return size
  return size == "" ? model : model " (" size ")"
}
# The length of the UTF-8 character at i, -1 for a byte that starts none.
function u8len(s, i,  b, n, k) {
  b = ord[substr(s, i, 1)]
  if (b < 128) return 1
  if (b >= 194 && b <= 223) n = 2; else if (b >= 224 && b <= 239) n = 3; else if (b >= 240 && b <= 244) n = 4; else return -1
  for (k = 1; k < n; k++) { b = ord[substr(s, i + k, 1)]; if (b < 128 || b > 191) return -1 }
  return n
}
# Seconds since 1970 as the day "YYYY-MM-DD" in the zone "+hhmm"; "" for
# no time.
function day(t, zone,  z, d, era, doe, yoe, y, doy, mp, m, dd) {
  if (t !~ /^[0-9]+$/ || t + 0 <= 0) return ""
  if (zone ~ /^[-+][0-9][0-9][0-9][0-9]$/) {
    z = (substr(zone, 2, 2) * 60 + substr(zone, 4, 2)) * 60; t += (substr(zone, 1, 1) == "-" ? -z : z) }
  d = int(t / 86400) + 719468; era = int(d / 146097); doe = d - era * 146097
  yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
  y = yoe + era * 400; doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100))
  mp = int((5 * doy + 2) / 153); dd = doy - int((153 * mp + 2) / 5) + 1
  m = mp < 10 ? mp + 3 : mp - 9; if (m <= 2) y++
  return sprintf("%04d-%02d-%02d", y, m, dd)
}
# The architecture of a package as "64", "32" or "" (all, noarch, unknown).
function bits(a) {
  if (a ~ /^(amd64|x86_64|arm64|aarch64|ppc64|ppc64el|ppc64le|s390x|riscv64|mips64el|loong64|loongarch64|sparc64|ia64)$/) return "64"
  if (a ~ /^(i[3-6]86|armhf|armel|armv[5-7].*|arm|mips|mipsel|powerpc|ppc|s390)$/) return "32"
  return ""
}
# What firmware leaves where a maker filled in nothing; the program keeps
# the same list (protocol/IdentityPlaceholders.cpp), and a test checks that
# both agree.
function placeholder(s,  l) {
  l = tolower(s)
  if (l == "" || l == "to be filled by o.e.m." || l == "default string" || l == "system serial number" ||
      l == "not specified" || l == "none" || l == "0123456789" || l == "n/a" || l == "not applicable" ||
      l == "system product name" || l == "system manufacturer" || l == "o.e.m.") return 1
  gsub(/[-:. \t]/, "", l)
  return l ~ /^0+$/ || l ~ /^f+$/
}
# A UUID as 8-4-4-4-12 upper-case hex digits; "" for one that is no UUID or
# a placeholder: one byte repeated, or bytes or 16-bit words counting up in
# either byte order of the first three groups.
function uuid(u,  h, i, same, cb, cs, wb, ws) {
  h = tolower(u); gsub(/-/, "", h)
  if (length(h) != 32 || h !~ /^[0-9a-f]+$/) return ""
  for (i = 0; i < 16; i++) { UB[i] = hx(substr(h, 2 * i + 1, 2)); US[i] = UB[i] }
  US[0] = UB[3]; US[1] = UB[2]; US[2] = UB[1]; US[3] = UB[0]; US[4] = UB[5]; US[5] = UB[4]; US[6] = UB[7]; US[7] = UB[6]
  same = cb = cs = wb = ws = 1
  for (i = 1; i < 16; i++) {
    if (UB[i] != UB[0]) same = 0
    if (UB[i] != UB[i - 1] + 1) cb = 0
    if (US[i] != US[i - 1] + 1) cs = 0
  }
  for (i = 2; i < 16; i += 2) {
    if (UB[i] * 256 + UB[i + 1] != UB[i - 2] * 256 + UB[i - 1] + 1) wb = 0
    if (US[i] * 256 + US[i + 1] != US[i - 2] * 256 + US[i - 1] + 1) ws = 0
  }
  if (same || cb || cs || wb || ws) return ""
  h = toupper(h)
  return substr(h, 1, 8) "-" substr(h, 9, 4) "-" substr(h, 13, 4) "-" substr(h, 17, 4) "-" substr(h, 21)
}
'

say() {
  if [ "$codeset" = UTF-8 ] || [ -z "$have_iconv" ]; then
    printf '%s\n' "$1" >&2
  else
    printf '%s\n' "$1" | iconv -c -f UTF-8 -t "$codeset" >&2 2>/dev/null
  fi
}

have() { command -v "$1" >/dev/null 2>&1; }

# The first line of a file, "" when it cannot be read.
line_of() {
  lo_line=
  [ -r "$1" ] && [ ! -d "$1" ] && IFS= read -r lo_line 2>/dev/null <"$1"
  printf '%s' "$lo_line"
}

# Standard input (UTF-8, as files and programs report it) as code page 936;
# what it cannot hold is dropped.
gbk_lossy() {
  if [ -n "$have_iconv" ]; then iconv -c -f UTF-8 -t "$gbk" 2>/dev/null; else tr -d '\200-\377'; fi
}

# Text the user gave, from the locale's encoding to code page 936; fails
# when it holds a character code page 936 has not.
gbk_strict() {
  if [ -n "$have_iconv" ]; then
    printf '%s' "$1" | iconv -f "$codeset" -t "$gbk" 2>/dev/null
  else
    case $1 in *[!\ -~]*) return 1 ;; *) printf '%s' "$1" ;; esac
  fi
}

# Code page 936 text as UTF-8, the encoding of this script's own texts.
from_gbk() {
  if [ -n "$have_iconv" ]; then iconv -c -f "$gbk" -t UTF-8 2>/dev/null; else tr -d '\200-\377'; fi
}

# A fact: the text on standard input, cleaned, as code page 936.
fact() { gbk_lossy | awk "$awk_lib"'{ t = t (NR > 1 ? " " : "") $0 } END { printf "%s", clean(t) }'; }

# A DMI string: printable ASCII only, and "" for what firmware leaves as a
# placeholder.
dmi() {
  line_of "$root/sys/class/dmi/id/$1" | printable
}

# Standard input's first line, printable ASCII only, cleaned; "" for a
# placeholder.
printable() {
  awk "$awk_lib"'NR == 1 { gsub(/[^\040-\176]/, ""); t = clean($0) }
    END { if (placeholder(t)) t = ""; printf "%s", t }'
}

two() { if [ -n "$1" ] && [ -n "$2" ]; then printf '%s %s' "$1" "$2"; else printf '%s%s' "$1" "$2"; fi; }

dt_model() {
  for dm_file in "$root/sys/firmware/devicetree/base/model" "$root/proc/device-tree/model"; do
    if [ -r "$dm_file" ]; then tr -d '\000' <"$dm_file" | fact; return; fi
  done
}

# Whether $1 is host[:port] as the intake writes it into this file: a host
# name or dotted address of letters, digits, "-", "_" and ".", or an IPv6
# address in brackets, and a port of 1 to 65535.
valid_server() {
  printf '%s\n' "$1" | awk '
  function name_ok(s,  i, c, label) {
    if (s == "" || length(s) > 253 || substr(s, 1, 1) == "-") return 0
    for (i = 1; i <= length(s); i++) {
      c = substr(s, i, 1)
      if (c == ".") { if (label == 0) return 0; label = 0 }
      else if (c ~ /[A-Za-z0-9_-]/) { if (++label > 63) return 0 }
      else return 0
    }
    return 1
  }
  NR == 1 { t = $0 }
  END {
    ok = NR == 1 && t != "" && length(t) < 240
    if (ok && substr(t, 1, 1) == "[") {
      e = index(t, "]"); host = substr(t, 2, e - 2); port = substr(t, e + 1)
      ok = e > 3 && host ~ /^[0-9A-Fa-f:.]+$/ && index(host, ":") > 0
      if (port != "") { ok = ok && substr(port, 1, 1) == ":"; port = substr(port, 2); has = 1 }
    } else if (ok) {
      c = index(t, ":"); host = c ? substr(t, 1, c - 1) : t; port = c ? substr(t, c + 1) : ""
      has = c > 0; ok = name_ok(host)
    }
    if (ok && has) ok = port ~ /^[0-9]+$/ && length(port) <= 5 && port + 0 >= 1 && port + 0 <= 65535
    exit ok ? 0 : 1
  }'
}

detect_os() {
  os_pretty=
  for os_file in "$root/etc/os-release" "$root/usr/lib/os-release"; do
    [ -r "$os_file" ] || continue
    # Read as data, never sourced: quotes and backslash escapes undone.
    os_pretty=$(awk '/^PRETTY_NAME=/ && !done { done = 1; v = substr($0, 13); q = substr(v, 1, 1)
      if ((q == "\"" || q == "\047") && substr(v, length(v)) == q) v = substr(v, 2, length(v) - 2)
      out = ""; for (i = 1; i <= length(v); i++) { c = substr(v, i, 1)
        if (c == "\\" && q == "\"" && i < length(v)) c = substr(v, ++i, 1); out = out c }
      printf "%s", out }' "$os_file" 2>/dev/null)
    break
  done
  os_arch=$(line_of "$root/proc/sys/kernel/arch")
  [ -n "$os_arch" ] || os_arch=$(uname -m 2>/dev/null)
  os_kernel=$(line_of "$root/proc/sys/kernel/osrelease")
  [ -n "$os_kernel" ] || os_kernel=$(uname -r 2>/dev/null)
  # "6.1.0-18-amd64" as "6.1.0-18": the version and its build number.
  os_kernel=$(printf '%s\n' "$os_kernel" | awk 'NR == 1 { v = $0
    if (match(v, /^[0-9]+(\.[0-9]+)*(-[0-9]+)?/)) v = substr(v, 1, RLENGTH); printf "%s", v }')
  [ -n "$os_pretty" ] || os_pretty=Linux
  f_os=$(printf '%s %s%s' "$os_pretty" "$os_arch" "${os_kernel:+ ($os_kernel)}" | fact)
}

detect_cpu() {
  cpu_info="$root/proc/cpuinfo"
  cpu_model=
  cpu_count=
  if [ -r "$cpu_info" ]; then
    cpu_model=$(awk -F: 'tolower($1) ~ /^model name[ \t]*$/ && !m { m = substr($0, index($0, ":") + 1) }
      END { printf "%s", m }' "$cpu_info" | fact)
    cpu_count=$(awk '/^processor[ \t]*:/ { n++ } END { if (n) print n }' "$cpu_info")
  fi
  if [ -z "$cpu_model" ] && have lscpu; then
    if [ -n "$root" ]; then set -- --sysroot "$root"; else set --; fi
    cpu_model=$(lscpu "$@" 2>/dev/null | awk '/^[ \t]*Model name:/ && !m { m = substr($0, index($0, ":") + 1) }
      END { printf "%s", m }' | fact)
    [ "$cpu_model" = - ] && cpu_model=
  fi
  [ -n "$cpu_model" ] || cpu_model=$(dt_model)
  if [ -z "$cpu_count" ]; then
    # "0-3,5": the processors online.
    cpu_count=$(line_of "$root/sys/devices/system/cpu/online" | awk -F, '{ for (i = 1; i <= NF; i++) {
      split($i, r, "-"); n += (r[2] == "" ? 1 : r[2] - r[1] + 1) } }
      END { if (n) print n }')
  fi
  # The page's own form: "8 个逻辑处理器".
  cpu_logical=${cpu_count:+"$cpu_count 个逻辑处理器"}
  cpu_logical=$(printf '%s' "$cpu_logical" | gbk_lossy)
  if [ -n "$cpu_model" ] && [ -n "$cpu_logical" ]; then
    f_cpu="$cpu_model ($cpu_logical)"
  else
    f_cpu="$cpu_model$cpu_logical"
  fi
}

detect_board() {
  f_board=$(two "$(dmi board_vendor)" "$(dmi board_name)")
  [ -n "$f_board" ] || f_board=$(two "$(dmi sys_vendor)" "$(dmi product_name)")
  [ -n "$f_board" ] || f_board=$(dt_model)
  bios_date=$(dmi bios_date)
  # "mm/dd/yyyy" as "yyyy-mm-dd".
  case $bios_date in
  [0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9])
    bios_day=${bios_date#*/}
    bios_date="${bios_date##*/}-${bios_date%%/*}-${bios_day%%/*}"
    ;;
  esac
  f_bios=$(two "$(two "$(dmi bios_vendor)" "$(dmi bios_version)")" "$bios_date")
}

detect_memory() {
  mem=$(awk '$1 == "MemTotal:" { t = $2 } $1 == "MemAvailable:" { a = $2; has = 1 }
    $1 == "MemFree:" || $1 == "Buffers:" || $1 == "Cached:" { f += $2 }
    END { print t * 1024, (has ? a : f) * 1024 }' "$root/proc/meminfo" 2>/dev/null)
  f_ram_total=$(printf '%s\n' "$mem" | awk "$awk_lib"'{ printf "%s", size_text($1) }')
  f_ram_free=$(printf '%s\n' "$mem" | awk "$awk_lib"'{ printf "%s", size_text($2) }')
}

# Whole disks, "model (size)" each: lsblk names them in full, as udev
# does; sysfs holds only the first 16 characters of an ATA model. Lines of
# name, vendor, model and 512-byte sectors, tab-separated.
detect_disks() {
  dk_list=
  if have lsblk; then
    # NAME="sda" TYPE="disk" ...; a quote or control character comes as \xHH.
    dk_list=$(lsblk -dnbP -o NAME,TYPE,SIZE,VENDOR,MODEL 2>/dev/null | awk "$awk_lib"'
      function val(key,  v) {
        if (!match($0, "(^| )" key "=\"[^\"]*\"")) return ""
        v = substr($0, RSTART, RLENGTH); v = substr(v, index(v, "\"") + 1); v = substr(v, 1, length(v) - 1)
        while (match(v, /\\x[0-9a-fA-F][0-9a-fA-F]/))
          v = substr(v, 1, RSTART - 1) sprintf("%c", hx(substr(v, RSTART + 2, 2))) substr(v, RSTART + 4)
        gsub(/[\001-\037\177]/, " ", v); return v }
      val("TYPE") == "disk" { print val("NAME") "\t" val("VENDOR") "\t" val("MODEL") "\t" int(val("SIZE") / 512) }')
  fi
  [ -n "$dk_list" ] || dk_list=$(for d in "$root"/sys/block/*; do
    # Loop, RAM, compressed-RAM and mapper devices have no device.
    [ -d "$d/device" ] || continue
    [ "$(line_of "$d/device/type")" = 5 ] && continue # SCSI optical drive
    dk_model=$(line_of "$d/device/model")
    [ -n "$dk_model" ] || dk_model=$(line_of "$d/device/name")
    printf '%s\t%s\t%s\t%s\n' "${d##*/}" "$(line_of "$d/device/vendor")" "$dk_model" "$(line_of "$d/size")"
  done)
  f_disks=$(printf '%s\n' "$dk_list" | gbk_lossy | awk -F'\t' "$awk_lib"'
    $1 ~ /^(loop|ram|zram|sr|fd)/ || $1 ~ /(boot[0-9]|rpmb)$/ || !($4 > 0) { next }
    { v = clean($2); m = clean($3)
    # "ATA" and a bare PCI vendor number name no maker.
    if (v != "" && v != "ATA" && v !~ /^0x[0-9a-fA-F]+$/ && index(m, v) != 1) m = v " " m
    join(disk(m, $4 * 512)) } END { printf "%s", J }')
}

detect_graphics() {
  if have lspci; then
    f_graphics=$(lspci 2>/dev/null | gbk_lossy | awk "$awk_lib"'
      BEGIN { JMAX = 150 }
      / (VGA compatible|3D|Display) controller: / { n = substr($0, index($0, "controller: ") + 12)
        sub(/ \(rev [0-9a-fA-F]+\)$/, "", n); join(n) } END { printf "%s", J }')
  else
    # The DRM devices' drivers, and for PCI cards their vendor:device.
    f_graphics=$(for c in "$root"/sys/class/drm/card*; do
      case ${c##*/} in card*-*) continue ;; esac
      [ -r "$c/device/uevent" ] && awk -F= '$1 == "DRIVER" { d = $2 } $1 == "PCI_ID" { p = $2 }
        END { if (d != "") print d (p != "" ? " (" p ")" : "") }' "$c/device/uevent"
    done | gbk_lossy | awk "$awk_lib"'BEGIN { JMAX = 150 } { join($0) } END { printf "%s", J }')
  fi
}

# 台式 or 笔记本 by the DMI chassis type, else by a system battery.
detect_pc_type() {
  case $(dmi chassis_type) in
  8 | 9 | 10 | 11 | 14 | 30 | 31 | 32) pc_kind=laptop ;;
  3 | 4 | 5 | 6 | 7 | 13 | 15 | 16 | 34 | 35 | 36) pc_kind=desktop ;;
  *)
    pc_kind=
    if [ -d "$root/sys/class/power_supply" ]; then
      pc_kind=desktop
      for p in "$root"/sys/class/power_supply/*; do
        # A mouse's or keyboard's battery has the scope "Device".
        if [ "$(line_of "$p/type")" = Battery ] && [ "$(line_of "$p/scope")" != Device ]; then
          pc_kind=laptop
        fi
      done
    fi
    ;;
  esac
  case $pc_kind in
  laptop) f_pc_type=$(printf '笔记本' | gbk_lossy) ;;
  desktop) f_pc_type=$(printf '台式' | gbk_lossy) ;;
  *) f_pc_type= ;;
  esac
}

# The interface that carries the route to the server, its MAC and IPv4
# address: from "ip route get", else from the kernel's route table.
detect_route() {
  f_mac=
  f_ip=
  rt_host=${server%:*}
  case $server in \[*) rt_host= ;; *:*) ;; *) rt_host=$server ;; esac
  case $rt_host in
  '' | *[!0-9.]*)
    rt_ip=
    [ -n "$rt_host" ] && have getent && rt_ip=$(getent ahostsv4 "$rt_host" 2>/dev/null | awk 'NR == 1 { print $1 }')
    ;;
  *) rt_ip=$rt_host ;;
  esac
  case $rt_ip in *.*.*.*) ;; *) rt_ip=0.0.0.0 ;; esac
  if have ip && [ "$rt_ip" = 0.0.0.0 ]; then
    rt=$(ip route show default 2>/dev/null | awk 'NR == 1 { for (i = 1; i < NF; i++) if ($i == "dev") print $(i + 1) }')
  elif have ip; then
    rt=$(ip route get "$rt_ip" 2>/dev/null | awk 'NR == 1 { for (i = 1; i < NF; i++) {
      if ($i == "dev") d = $(i + 1); if ($i == "src") s = $(i + 1) } print d, s }')
  elif [ -r "$root/proc/net/route" ]; then
    rt_trie="$root/proc/net/fib_trie"
    [ -r "$rt_trie" ] || rt_trie=/dev/null
    rt=$(awk -v ip="$rt_ip" "$awk_lib"'
      function octet(h, k) { return hx(substr(h, 9 - 2 * k, 2)) }
      function inside(a, dst, mask,  k, m) { split(a, q, ".")
        for (k = 1; k <= 4; k++) { m = octet(mask, k); if (q[k] - q[k] % (256 - m) != octet(dst, k)) return 0 }
        return 1 }
      function width(mask,  k, w) { for (k = 1; k <= 4; k++) w = w * 256 + octet(mask, k); return w }
      # Iface Destination Gateway Flags RefCnt Use Metric Mask: routes that are up.
      FNR == NR { if (FNR > 1 && hx(substr($4, 3, 2)) % 2 == 1) {
          n++; dev[n] = $1; dst[n] = $2; gw[n] = $3; metric[n] = $7; mask[n] = $8
          if (inside(ip, $2, $8) && (!best || width($8) > width(mask[best]) ||
              (width($8) == width(mask[best]) && $7 + 0 < metric[best] + 0))) best = n }
        next }
      # The trie lists each local address as "|-- A.B.C.D", then "/32 host LOCAL".
      /\|-- [0-9.]+$/ { last = $2; next }
      /\/32 host LOCAL/ && last !~ /^127\./ && !(last in had) { had[last] = 1; mine[++m] = last }
      END { if (!best) exit
        # The own address inside a subnet the interface reaches directly.
        for (j = 1; j <= m && src == ""; j++) for (k = 1; k <= n; k++)
          if (dev[k] == dev[best] && gw[k] == "00000000" && mask[k] != "00000000" &&
              inside(mine[j], dst[k], mask[k])) src = mine[j]
        print dev[best], src }' "$root/proc/net/route" "$rt_trie" 2>/dev/null)
  fi
  rt_dev=${rt%% *}
  rt_src=${rt#* }
  case $rt_dev in '' | . | .. | */*) return ;; esac
  case $rt_src in *.*.*.*) case $rt_src in *[!0-9.]*) ;; *) f_ip=$rt_src ;; esac ;; esac
  f_mac=$(line_of "$root/sys/class/net/$rt_dev/address" | awk 'NR == 1 && length($0) == 17 &&
    $0 ~ /^[0-9a-fA-F][0-9a-fA-F](:[0-9a-fA-F][0-9a-fA-F])+$/ && $0 != "00:00:00:00:00:00" { printf "%s", toupper($0) }')
}

# What tells this PC from others (protocol/IdentityFields.h). Serial
# numbers and the UUID only root may read; as an ordinary user they stay
# empty and id_hidden says so.
detect_identity() {
  i_maker=$(dmi sys_vendor)
  id_name=$(dmi product_name)
  id_version=$(dmi product_version)
  # The version where it says more than the name (a ThinkPad's model name).
  i_model=$(printf '%s\n%s\n' "$id_name" "$id_version" | awk 'NR == 1 { n = $0 } NR == 2 { v = $0 }
    END { if (v != "" && index(tolower(n), tolower(v)) == 0) n = (n == "" ? v : n " " v); printf "%s", n }')
  i_serial=$(dmi product_serial)
  i_uuid=$(line_of "$root/sys/class/dmi/id/product_uuid" | awk "$awk_lib"'NR == 1 { printf "%s", uuid($0) }')
  i_board_serial=$(dmi board_serial)
  i_chassis_serial=$(dmi chassis_serial)
  i_asset_tag=$(dmi chassis_asset_tag)
  id_hidden=
  for id_file in product_serial product_uuid board_serial chassis_serial; do
    id_file="$root/sys/class/dmi/id/$id_file"
    if [ -e "$id_file" ] && [ ! -r "$id_file" ]; then id_hidden=1; fi
  done
  # Boards without DMI (ARM) may name their serial number in the device tree.
  if [ -z "$i_serial" ] && [ ! -e "$root/sys/class/dmi/id/product_serial" ]; then
    for id_file in "$root/proc/device-tree/serial-number" "$root/sys/firmware/devicetree/base/serial-number"; do
      if [ -r "$id_file" ]; then i_serial=$(tr -d '\000' <"$id_file" | printable); break; fi
    done
  fi
  # The raw EDID of each connected monitor, in hex.
  i_monitors=$(for c in "$root"/sys/class/drm/card*-*; do
    if [ "$(line_of "$c/status")" = connected ] && [ -r "$c/edid" ]; then
      od -An -v -tx1 "$c/edid" 2>/dev/null | awk '{ for (i = 1; i <= NF; i++) h = h toupper($i) }
        END { n = length(h) / 2
          if (n >= 128 && n % 128 == 0 && substr(h, 1, 16) == "00FFFFFFFFFFFF00") print h }'
    fi
  done | awk '!($0 in seen) { seen[$0] = 1; printf "%s%s", (n++ ? "," : ""), $0 }')
  # Each network card's MAC: an interface with a device is hardware; the
  # loopback, bridges, tunnels and virtual ones have none.
  i_macs=$(for n in "$root"/sys/class/net/*; do
    [ -e "$n/device" ] && line_of "$n/address" && echo
  done | awk 'length($0) == 17 && $0 ~ /^[0-9a-fA-F][0-9a-fA-F](:[0-9a-fA-F][0-9a-fA-F])+$/ &&
    $0 != "00:00:00:00:00:00" { m = toupper($0); if (!(m in seen)) { seen[m] = 1; printf "%s%s", (n++ ? "," : ""), m } }')
}

# Standard input (UTF-8, as package systems write) as code page 936, where
# a character code page 936 has not, or a byte that is no UTF-8, becomes
# one "?". One iconv call converts each distinct character once; the awk
# program then puts each character's bytes in its place.
gbk_marked() {
  gm_text=$(cat; echo .)
  gm_text=${gm_text%.}
  gm_chars=$(printf '%s' "$gm_text" | awk "$awk_lib"'{ s = $0
    for (i = 1; i <= length(s); i += n) { n = u8len(s, i); if (n < 0) n = 1
      else if (n > 1 && !((c = substr(s, i, n)) in seen)) { seen[c] = 1; print c } } }')
  {
    printf '%s\n' "$gm_chars"
    printf '\001\n'
    if [ -n "$gm_chars" ] && [ -n "$have_iconv" ]; then
      # With -c a character it cannot convert leaves its line empty.
      printf '%s\n' "$gm_chars" | iconv -c -f UTF-8 -t "$gbk" 2>/dev/null
    fi
    printf '\001\n'
    printf '%s' "$gm_text"
  } | awk "$awk_lib"'
    part < 2 && $0 == "\001" { part++; k = 0; next }
    part == 0 { ch[++k] = $0; next }
    part == 1 { if ($0 != "") to[ch[++k]] = $0; else ++k; next }
    { s = $0; out = ""
      for (i = 1; i <= length(s); i += n) { n = u8len(s, i)
        if (n < 0) { out = out "?"; n = 1 }
        else if (n == 1) out = out substr(s, i, 1)
        else { c = substr(s, i, n); out = out ((c in to) ? to[c] : "?") } }
      print out }'
}

# The owners of the desktop entries in /usr/share/applications, one name a
# line, from one query of the package system ($1: dpkg or rpm) for all.
desktop_owners() {
  do_kind=$1
  set --
  for do_entry in "$root"/usr/share/applications/*.desktop; do
    [ -f "$do_entry" ] && set -- "$@" "/usr/share/applications/${do_entry##*/}"
  done
  [ $# -gt 0 ] || return 0
  if [ "$do_kind" = dpkg ]; then
    # "pkg1, pkg2:amd64: /usr/share/applications/x.desktop"; diversion
    # lines name no package.
    dpkg -S "$@" 2>/dev/null | awk '{ i = index($0, ": /"); if (!i) next
      n = split(substr($0, 1, i - 1), p, ", ")
      for (k = 1; k <= n; k++) { sub(/:.*/, "", p[k]); if (p[k] ~ /^[A-Za-z0-9][A-Za-z0-9.+_-]*$/) print p[k] } }'
  else
    # A file no package owns is named in a sentence.
    rpm -qf --qf '%{NAME}\n' "$@" 2>/dev/null | awk 'NF == 1'
  fi
}

# The package system's installed packages as lines of the list (UTF-8),
# from dpkg-query, else rpm; fails when the one there does not answer.
package_lines() {
  if have dpkg-query; then
    pl_kind=dpkg
    pl_packages=$(dpkg-query -W -f '${Status}\t${Package}\t${Version}\t${Architecture}\t${Maintainer}\n' 2>/dev/null) || return 1
    # A package's install (or last upgrade) is when its file list was written.
    if have stat; then
      pl_times=$(cd "$root/var/lib/dpkg/info" 2>/dev/null && stat -c '%Y %n' -- *.list 2>/dev/null)
    fi
  elif have rpm; then
    pl_kind=rpm
    pl_packages=$(rpm -qa --qf '%{NAME}\t%{VERSION}-%{RELEASE}\t%{ARCH}\t%{VENDOR}\t%{INSTALLTIME}\n' 2>/dev/null) || return 1
    pl_times=
  else
    return 0
  fi
  [ -n "$pl_packages" ] || return 1
  pl_zone=
  have date && pl_zone=$(date +%z 2>/dev/null)
  { desktop_owners "$pl_kind"; printf '\001\n%s\n\001\n%s\n' "${pl_times-}" "$pl_packages"; } |
    awk -v kind="$pl_kind" -v zone="$pl_zone" "$awk_lib"'
    $0 == "\001" { part++; next }
    part == 0 { app[$0] = 1; next }
    part == 1 { t = $1; sub(/^[^ ]* /, ""); sub(/\.list$/, ""); when[$0] = t; next }
    { split($0, f, "\t") }
    kind == "dpkg" { if (f[1] !~ / installed$/) next
      name = f[2]; version = f[3]; arch = f[4]; who = f[5]; sub(/ *<[^>]*> *$/, "", who)
      t = ((name ":" arch) in when) ? when[name ":" arch] : when[name] }
    kind == "rpm" { name = f[1]; version = f[2]; arch = f[3]; who = f[4]; t = f[5]
      if (name == "gpg-pubkey") next
      if (who == "(none)") who = ""; if (arch == "(none)") arch = "" }
    { print name "\t" version "\t" who "\t" day(t, zone) "\t" bits(arch) "\t" kind "\t" ((name in app) ? 1 : 0) }'
}

# flatpak's applications (not its runtimes) and the snaps (not the bases,
# runtimes and snapd itself) as lines of the list. Fails when snap does not
# answer although snaps are installed.
bundle_lines() {
  if have flatpak; then
    flatpak list --app --columns=name,application,version,arch 2>/dev/null | awk -F'\t' "$awk_lib"'
      $2 == "" || $2 == "Application ID" { next }
      { print ($1 != "" ? $1 : $2) "\t" $3 "\t\t\t" bits($4) "\tflatpak\t1" }'
  fi
  if have snap; then
    if ! bl_snaps=$(snap list 2>/dev/null); then
      for bl_file in "$root"/var/lib/snapd/snaps/*.snap; do [ -e "$bl_file" ] && return 1; done
      return 0
    fi
    # Name, Version, Rev, Tracking, Publisher (a mark after a verified
    # one), Notes.
    printf '%s\n' "$bl_snaps" | awk '
      NR == 1 && $1 == "Name" { next }
      NF < 5 || $1 == "snapd" || $6 ~ /(^|,)(base|core|snapd|gadget|kernel)(,|$)/ { next }
      $1 ~ /^(core[0-9]*|bare|gtk-common-themes|gtk2-common-themes|kde-frameworks-.*|mesa-.*|gnome-.*-[0-9]+)$/ { next }
      { who = $5; sub(/(\342\234\223|\342\234\252|\*)+$/, "", who); if (who == "-") who = ""
        print $1 "\t" $2 "\t" who "\t\t\tsnap\t1" }'
  fi
}

# The installed programs (protocol/SoftwareField.h) in sw_list, code page
# 936, each name, version and bits once, in byte order, within the
# bounds; sw_found and sw_sent count them. A package system that is there
# but does not answer leaves the list empty: the intake then keeps the PC's
# old list rather than take a part of it for the whole.
detect_software() {
  sw_list='' sw_found=0 sw_sent=0 sw_failed=''
  if ! sw_raw=$(package_lines) || ! sw_more=$(bundle_lines); then
    sw_failed=1
    return
  fi
  sw_lines=$(printf '%s\n%s\n' "$sw_raw" "$sw_more" | gbk_marked | awk -F'\t' "$awk_lib"'
    { for (i = 1; i <= 7; i++) v[i] = cut(clean($i), 255)
      if (v[1] == "") next
      k = v[1] "\t" v[2] "\t" v[5]; if (k in seen) next; seen[k] = 1
      print v[1] "\t" v[2] "\t" v[3] "\t" v[4] "\t" v[5] "\t" v[6] "\t" (v[7] == "1" ? 1 : 0) }')
  if have sort; then sw_lines=$(printf '%s\n' "$sw_lines" | sort); fi
  sw_found=$(printf '%s\n' "$sw_lines" | awk 'length($0) { n++ } END { print n + 0 }')
  # Within 5000 lines and 512 KB, and percent-encoded (a byte other than a
  # letter, digit, blank or "*-._" takes three) within 900 KB, so that the
  # report stays inside the intake's bound on a request (1 MB).
  sw_list=$(printf '%s\n' "$sw_lines" | awk -v most=5000 -v bytes=524288 -v form=921600 'length($0) {
    t = $0; e = length($0) + 2 * gsub(/[^A-Za-z0-9*._ -]/, "", t)
    b = n ? size + 1 + length($0) : length($0); e = n ? coded + 3 + e : e
    if (n >= most || b > bytes || e > form) exit
    size = b; coded = e; printf "%s%s", (n++ ? "\n" : ""), $0 }')
  sw_sent=$(printf '%s' "$sw_list" | awk 'END { print NR }')
}

detect_all() {
  f_pc_name=$(line_of "$root/proc/sys/kernel/hostname")
  [ -n "$f_pc_name" ] || f_pc_name=$(uname -n 2>/dev/null)
  f_pc_name=$(printf '%s' "$f_pc_name" | fact)
  detect_os
  detect_cpu
  detect_board
  detect_memory
  detect_disks
  detect_graphics
  detect_pc_type
  detect_route
  detect_identity
  detect_software
}

describe() {
  say "本机硬件和已安装软件："
  d_monitors=$(printf '%s' "$i_monitors" | awk -F, 'NF { printf "%d 台", NF }')
  printf '%s\n' "$f_pc_name" "$f_pc_type" "$f_os" "$f_cpu" "$f_board" "$f_bios" "$f_ram_total" \
    "$f_ram_free" "$f_disks" "$f_graphics" "$f_mac" "$f_ip" "$i_model" "$i_serial" "$i_uuid" \
    | from_gbk | {
    for label in PC名 机型 操作系统 处理器 主板 BIOS 内存 可用内存 硬盘 显卡 网卡地址 'IP 地址' 型号 序列号 UUID; do
      IFS= read -r value
      say "  $label：${value:-（未检测到）}"
    done
  }
  say "  显示器：${d_monitors:-（未检测到）}"
  say "  全部网卡：${i_macs:-（未检测到）}"
  if [ -n "$sw_failed" ]; then
    say "  已安装软件：（未能读出，这次不发送软件清单）"
  elif [ "$sw_sent" -lt "$sw_found" ]; then
    say "  已安装软件：$sw_found 个（只发送前 $sw_sent 个）"
  elif [ "$sw_found" -gt 0 ]; then
    say "  已安装软件：$sw_found 个"
  else
    say "  已安装软件：（未检测到）"
  fi
  if [ -n "$id_hidden" ]; then
    say "序列号和 UUID 只有 root 能读出；用 sudo 运行本脚本可一并读出（curl ... | sudo sh）。"
  fi
}

# Percent-encoded as browsers write a form: letters, digits and "*-._"
# stay, a blank is "+", every other byte %XX, both bytes of a double-byte
# character included. Written as it is read, so a long value costs no more
# than its length.
encode() {
  printf '%s' "$1" | od -An -v -tx1 | awk "$awk_lib"'{ for (i = 1; i <= NF; i++) { n = hx($i)
    if (trail) { printf "%%%s", toupper($i); trail = 0 }
    else if (n >= 129 && n <= 254) { printf "%%%s", toupper($i); trail = 1 }
    else if (n == 32) printf "+"
    else if ((n >= 48 && n <= 57) || (n >= 65 && n <= 90) || (n >= 97 && n <= 122) ||
             n == 42 || n == 45 || n == 46 || n == 95) printf "%c", n
    else printf "%%%s", toupper($i) } }'
}

# Checks one entry ($2, in the locale's encoding) and sets entry to it in
# code page 936; $1 names it, $3 is its limit in characters.
take_entry() {
  if ! entry=$(gbk_strict "$2"); then
    say "$1 含有 GBK 无法表示的字符。"
    return 1
  fi
  if [ "$(printf '%s' "$entry" | awk "$awk_lib"'{ t = t (NR > 1 ? "\n" : "") $0 }
    END { for (i = 1; i <= length(t); i++) { if (lead(substr(t, i, 1))) i++; n++ } print n + 0 }')" -gt "$3" ]; then
    say "$1 最多 $3 个字。"
    return 1
  fi
}

# Asks for $1 on the terminal until the answer is usable (at most $2
# characters, not empty when $3 is "required"); fails at the input's end.
ask() {
  while :; do
    printf '%s' "$1：" | { if [ "$codeset" = UTF-8 ] || [ -z "$have_iconv" ]; then cat; else
      iconv -c -f UTF-8 -t "$codeset"; fi; } >/dev/tty
    IFS= read -r answer </dev/tty || return 1
    if [ -z "$answer" ] && [ "$3" = required ]; then
      say "请填写$1。"
      continue
    fi
    take_entry "$1" "$answer" "$2" && return 0
  done
}

usage() {
  say "用法：vantrel-collect.sh [--silent] [--server 主机名[:端口]] [--user 使用者] [--dept 部门] [--tel 电话] [--note 备注]"
}

# A new private file for the form body, named in $body_file; removed by
# remove_body_file, which every way out of the script runs.
make_body_file() {
  body_file=
  if have mktemp; then
    body_file=$(umask 077 && mktemp "${TMPDIR:-/tmp}/vantrel-collect.XXXXXX" 2>/dev/null) || body_file=
  fi
  if [ -z "$body_file" ]; then
    # Without mktemp: a name of this process, created only when it does
    # not exist yet (noclobber), so that no prepared file or link is used.
    mb_name="${TMPDIR:-/tmp}/vantrel-collect.$$"
    (umask 077 && set -C && : >"$mb_name") 2>/dev/null || return 1
    body_file=$mb_name
  fi
}

remove_body_file() {
  [ -n "${body_file-}" ] && rm -f "$body_file"
  body_file=
}

# Runs "$@" for at most $deadline seconds: under timeout(1) where there is
# one, else beside a watchdog that stops it. 124 or 143 when time ran out.
run_limited() {
  if have timeout; then
    timeout "$deadline" "$@"
    return
  fi
  "$@" &
  rl_pid=$!
  # The watchdog's sleep is ended with it, and it holds none of the
  # sender's output open.
  (
    sleep "$deadline" &
    rl_sleep=$!
    trap 'kill "$rl_sleep" 2>/dev/null; exit 0' TERM
    wait "$rl_sleep" && kill "$rl_pid" 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  rl_dog=$!
  wait "$rl_pid"
  rl_rc=$?
  kill "$rl_dog" 2>/dev/null
  wait "$rl_dog" 2>/dev/null
  return "$rl_rc"
}

# Sends the report in $body_file with curl, else wget, else busybox's
# wget. Prints the reply's bytes in hex, a line "--", then the program's
# messages and "rc STATUS".
send_with() {
  sw_url="http://$server/post"
  {
    sw_err=$({ {
      case $1 in
        curl)
          curl -sS --noproxy '*' --connect-timeout 10 --max-time "$deadline" \
            -A vantrel-collect -H 'Content-Type: application/x-www-form-urlencoded' -H 'Expect:' \
            --data-binary "@$body_file" -w '\n%{http_code}' "$sw_url" </dev/null
          ;;
        wget)
          run_limited wget -nv -S -O - --tries=1 --timeout=30 --no-proxy --content-on-error \
            -U vantrel-collect --post-file="$body_file" "$sw_url" </dev/null
          ;;
        # busybox's own -T fails on a refused connection.
        busybox)
          if [ -n "$2" ]; then set -- "$2" wget; else set -- wget; fi
          run_limited "$@" -S -O - -Y off -U vantrel-collect --post-file="$body_file" "$sw_url" </dev/null
          ;;
      esac
      printf 'rc %s\n' "$?" >&2
    } | od -An -v -tx1 >&4; } 2>&1)
    printf '%s\n%s\n' -- "$sw_err"
  } 4>&1
}

post() {
  if have curl; then
    tool=curl
  elif have wget && wget --version 2>/dev/null | awk '/GNU Wget/ { f = 1 } END { exit !f }'; then
    tool=wget
  elif have wget; then
    tool=busybox
    tool_prefix=
  elif have busybox && busybox --list 2>/dev/null | awk '$0 == "wget" { f = 1 } END { exit !f }'; then
    tool=busybox
    tool_prefix=busybox
  else
    say "无法发送：找不到 curl 或 wget。"
    return 3
  fi
  body=
  for pair in "xipUserName $e_user" "bm $e_dept" "dh $e_tel" "xipName $f_pc_name" \
    "xipDorl $f_pc_type" "bz $e_note" "xipOs $f_os" "xipCpu $f_cpu" "xipRammax $f_ram_total" \
    "xipXk $f_graphics" "xipRammin $f_ram_free" "xipBoard $f_board" "xipBios $f_bios" \
    "xipYp $f_disks" "xipMac $f_mac" "xipIp $f_ip"; do
    body="$body${body:+&}${pair%% *}=$(encode "${pair#* }")"
  done
  # What tells this PC from others (protocol/IdentityFields.h).
  for id_pair in "xipMaker $i_maker" "xipModel $i_model" "xipSerial $i_serial" "xipUuid $i_uuid" \
    "xipBoardSerial $i_board_serial" "xipChassisSerial $i_chassis_serial" "xipAssetTag $i_asset_tag" \
    "xipMonitors $i_monitors" "xipMacs $i_macs"; do
    body="$body&${id_pair%% *}=$(encode "${id_pair#* }")"
  done
  # The installed programs, when some were found (protocol/SoftwareField.h),
  # go straight into the file: the list may be long.
  if ! make_body_file || ! printf '%s' "$body" >"$body_file" ||
    { [ -n "$sw_list" ] && ! { printf '&xipSoftware=' && encode "$sw_list"; } >>"$body_file"; }; then
    say "无法写入临时文件（${TMPDIR:-/tmp}）。"
    remove_body_file
    return 3
  fi
  say "正在提交……"
  reply=$(send_with "$tool" "${tool_prefix-}" | awk -v tool="$tool" '
    part == 0 && $0 == "--" { part = 1; next }
    part == 0 { for (i = 1; i <= NF; i++) b[++n] = $i; next }
    /^rc [0-9]+$/ { rc = $2; next }
    match($0, /HTTP\/[0-9.]+ [0-9][0-9][0-9]/) { code = substr($0, RSTART + RLENGTH - 3, 3) }
    /^(curl|wget):/ || /failed:/ { why = $0 } NF { last = $0 }
    END {
      if (tool == "curl" && n >= 4 && b[n - 3] == "0a") {
        code = substr(b[n - 2], 2) substr(b[n - 1], 2) substr(b[n], 2); n -= 4 }
      for (i = 1; i <= n; i++) hex = hex b[i]
      print (rc == "" ? 1 : rc), (code == "" ? "-" : code), (hex == "" ? "-" : hex), (why != "" ? why : last) }')
  remove_body_file
  r_rc=${reply%% *}
  reply=${reply#* }
  r_code=${reply%% *}
  reply=${reply#* }
  r_body=${reply%% *}
  r_why=${reply#* }
  [ "$r_body" = - ] && r_body=
  r_text=$(printf '%s\n' "$r_body" | awk "$awk_lib"'{ for (i = 1; i < length($0); i += 2) if ((c = hx(substr($0, i, 2))) > 0) printf "%c", c }' |
    from_gbk | awk "$awk_lib"'{ t = t (NR > 1 ? " " : "") $0 } END { printf "%s", cut(clean(t), 500) }')
  if [ "$r_code" = 200 ] && [ "$r_body" = d0bbd0bbcce1b9a9d3b2bcfed0c5cfa2a3a1d4d9bcfb ]; then
    say "$r_text"
    return 0
  fi
  case $r_code in
  [1-9][0-9][0-9])
    case $r_code in 5*) r_what="服务器出错：" ;; *) r_what="服务器的回答无法识别：" ;; esac
    say "$r_what${r_text:-HTTP $r_code}"
    return 4
    ;;
  esac
  if [ "$r_rc" = 0 ] || { [ "$tool" = curl ] && [ "$r_rc" = 52 ]; }; then
    say "服务器没有回答。"
    return 4
  fi
  case $r_rc in 124 | 137 | 143) r_why="连接超时" ;; esac
  say "无法连接服务器 $server：$(printf '%s' "$r_why" | awk "$awk_lib"'{ printf "%s", cut(clean($0), 300) }')"
  return 3
}

main() {
  root=${VANTREL_COLLECT_ROOT-}
  deadline=120
  case ${VANTREL_COLLECT_DEADLINE-} in
  [1-9] | [1-9][0-9] | 1[01][0-9]) deadline=$VANTREL_COLLECT_DEADLINE ;;
  esac
  body_file=
  trap remove_body_file EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # The terminal's encoding, from the locale's name; the tools below run
  # in the C locale, so that they read and write bytes.
  codeset=UTF-8
  for lc in "${LC_ALL-}" "${LC_CTYPE-}" "${LANG-}"; do
    [ -n "$lc" ] || continue
    case $lc in *.*) codeset=${lc#*.} codeset=${codeset%%@*} ;; esac
    break
  done
  case $codeset in [Uu][Tt][Ff]-8 | [Uu][Tt][Ff]8 | *[!A-Za-z0-9_-]* | '') codeset=UTF-8 ;; esac
  LC_ALL=C
  export LC_ALL
  have_iconv=
  gbk=CP936
  if have iconv; then
    have_iconv=1
    printf a | iconv -f UTF-8 -t "$gbk" >/dev/null 2>&1 || gbk=GBK
    printf a | iconv -f "$codeset" -t UTF-8 >/dev/null 2>&1 || codeset=UTF-8
  fi

  silent=
  opt_server=
  e_user='' e_dept='' e_tel='' e_note=''
  o_user='' o_dept='' o_tel='' o_note=''
  given=
  while [ $# -gt 0 ]; do
    opt=$1
    shift
    case $opt in
    --silent) silent=1; continue ;;
    -h | --help) usage; return 0 ;;
    --server=* | --user=* | --dept=* | --tel=* | --note=*) value=${opt#*=} opt=${opt%%=*} ;;
    --server | --user | --dept | --tel | --note)
      if [ $# -eq 0 ]; then say "缺少参数值：$opt"; return 2; fi
      value=$1
      shift
      ;;
    *) say "未知参数：$opt"; usage; return 2 ;;
    esac
    given="$given ${opt#--}"
    case $opt in
    --server) opt_server=$value ;;
    --user) o_user=$value ;;
    --dept) o_dept=$value ;;
    --tel) o_tel=$value ;;
    --note) o_note=$value ;;
    esac
  done
  if [ -n "$opt_server" ] && ! valid_server "$opt_server"; then
    say "服务器地址无效：$opt_server"
    return 2
  fi
  server=$opt_server
  [ -n "$server" ] || ! valid_server "$vantrel_server" || server=$vantrel_server
  # Without a terminal to ask on, the command line must say everything. (In
  # a subshell: a failed redirection of a special built-in ends the shell.)
  if [ -z "$silent" ] && ! (: </dev/tty) 2>/dev/null; then
    silent=1
  fi
  if [ -n "$silent" ] && [ -z "$o_user" ]; then
    say "--silent 需要 --user（使用者）"
    return 2
  fi
  if [ -z "$server" ] && [ -n "$silent" ]; then
    say "不知道服务器地址：请从服务器下载本脚本，或用 --server 主机名[:端口] 指定。"
    return 2
  fi
  while [ -z "$server" ]; do
    ask "服务器地址（主机名[:端口]）" 240 optional || { say "已取消，没有发送。"; return 1; }
    if valid_server "$answer"; then server=$answer; else say "服务器地址无效：$answer"; fi
  done

  for field in "user 使用者 50" "dept 部门 50" "tel 电话 30" "note 备注 200"; do
    s_name=${field%% *} s_rest=${field#* } s_label=${s_rest% *} s_limit=${field##* }
    case $s_name in user) v=$o_user ;; dept) v=$o_dept ;; tel) v=$o_tel ;; note) v=$o_note ;; esac
    if [ -n "$v" ]; then
      take_entry "$s_label" "$v" "$s_limit" || return 2
    else
      entry=
    fi
    case $s_name in user) e_user=$entry ;; dept) e_dept=$entry ;; tel) e_tel=$entry ;; note) e_note=$entry ;; esac
  done

  detect_all
  describe
  if [ -z "$silent" ]; then
    for field in "user 使用者 50 required" "dept 部门 50 optional" "tel 电话 30 optional" "note 备注 200 optional"; do
      s_name=${field%% *}
      case " $given " in *" $s_name "*) continue ;; esac
      s_rest=${field#* } s_label=${s_rest%% *} s_rest=${s_rest#* } s_limit=${s_rest%% *} s_need=${s_rest#* }
      ask "$s_label" "$s_limit" "$s_need" || { say "已取消，没有发送。"; return 1; }
      case $s_name in user) e_user=$entry ;; dept) e_dept=$entry ;; tel) e_tel=$entry ;; note) e_note=$entry ;; esac
    done
  fi
  post
}

main "$@"
exit $?
