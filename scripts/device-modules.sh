#!/bin/sh
# Keeps in a device's tree only the kernel modules of its own board and what they need:
#
#     scripts/device-modules.sh TREE MODULE...
#
# Debian's kernel carries every driver of its architecture (about 300 MiB of modules); the
# emulated board has a handful of virtio devices. A real board names its own (README, "From the
# emulated device to a real board"). The module index is made anew inside the tree.
set -eu
tree=$1
shift
for dir in "$tree"/usr/lib/modules/*; do
    version=$(basename "$dir")
    # modules.dep: "kernel/a/b.ko: kernel/c.ko kernel/d.ko", a module and all it needs.
    # A module's name has "-" and "_" alike; the file may be compressed.
    keep=$(awk -v wanted="$*" '
        function name(path) {
            sub(/.*\//, "", path); sub(/\.ko(\.[a-z]+)?$/, "", path); gsub(/-/, "_", path)
            return path
        }
        BEGIN { n = split(wanted, w, " "); for (i = 1; i <= n; i++) { m = w[i]; gsub(/-/, "_", m); want[m] = 1 } }
        {
            module = $1; sub(/:$/, "", module)
            if (name(module) in want) {
                print module
                for (i = 2; i <= NF; i++) print $i
                found[name(module)] = 1
            }
        }
        END { for (m in want) if (!(m in found)) print "device-modules: no module " m > "/dev/stderr" }
    ' "$dir/modules.dep" | sort -u)
    find "$dir/kernel" -type f | while read -r file; do
        case "
$keep
" in
            *"
${file#"$dir/"}
"*) ;;
            *) rm -f "$file" ;;
        esac
    done
    find "$dir/kernel" -depth -type d -empty -delete
    chroot "$tree" depmod -a "$version"
    echo "device-modules: kept $(echo "$keep" | wc -l) modules of $version" \
        "($(du -sm "$dir" | cut -f1) MiB)"
done
