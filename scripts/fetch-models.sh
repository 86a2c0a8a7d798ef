#!/usr/bin/env bash
# Fills the model cache with real MD2 models taken from public Debian packages, laid out the way users
# keep them: one folder per model holding tris.md2 and the skin files its package ships beside it.
# Tests that need real models read this cache and skip when it is empty; no test downloads anything.
#
#   cache: ${VELMORA_MODEL_CACHE:-$HOME/.cache/velmora/models}
#
# Packages and the model folders they give:
#   libirrlicht-doc      gun/     tris.md2 (names models/weapons/v_machn/skin.pcx), gun.jpg (JPEG)
#                        sydney/  tris.md2 (names no skin), sydney.bmp (8-bit BMP)
#                        faerie/  tris.md2 (names no skin), faerie2.bmp and Faerie5.BMP (8-bit BMP)
#   blobandconquer-data  spiderblob/  tris.md2 (names shotgunSpiderBlob.png), six 1 x 1 16-bit PNG skins
#
# A package already in the cache is left alone, so a second run does nothing. Prints one line per
# package and always exits 0: a package that cannot be had (no network, no such package) is reported
# with the reason and skipped.
set -uo pipefail

cache=${VELMORA_MODEL_CACHE:-${HOME:-}/.cache/velmora/models}
irrlicht=usr/share/doc/libirrlicht-dev/media
blob=usr/share/games/blobAndConquer

# One line per model folder: package, folder, the .md2 inside the package, then its skins (globs allowed).
# Files shipped gzip-compressed (name ending in .gz) are unpacked under the name without .gz.
models=(
    "libirrlicht-doc gun $irrlicht/gun.md2.gz $irrlicht/gun.jpg"
    "libirrlicht-doc sydney $irrlicht/sydney.md2.gz $irrlicht/sydney.bmp.gz"
    "libirrlicht-doc faerie $irrlicht/faerie.md2.gz $irrlicht/faerie2.bmp.gz $irrlicht/Faerie5.BMP.gz"
    "blobandconquer-data spiderblob $blob/gfx/md2/spiderBlob.md2 $blob/textures/game/*[sS]piderBlob*.png"
)
packages=(libirrlicht-doc blobandconquer-data)

updated=no

# The folders a package gives, as "gun sydney faerie".
foldersOf() {
    local line words
    for line in "${models[@]}"; do
        read -r -a words <<<"$line"
        [ "${words[0]}" = "$1" ] && printf '%s ' "${words[1]}"
    done
}

# Copies a file out of an unpacked package, unpacking it when it is shipped gzip-compressed.
copyOut() {
    local from=$1 to=$2
    if [ "${from%.gz}" != "$from" ]; then
        gzip -dc "$from" >"$to"
    else
        cp "$from" "$to"
    fi
}

# Downloads a package's .deb into the current folder; the first failure refreshes the package lists once.
download() {
    local options=(-q -o Acquire::Retries=1 -o Acquire::http::Timeout=30)
    apt-get "${options[@]}" download "$1" >download.log 2>&1 && return 0
    if [ "$updated" = no ]; then
        updated=yes
        local sudo_cmd=()
        if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null; then sudo_cmd=(sudo -n); fi
        "${sudo_cmd[@]}" apt-get -qq update >>download.log 2>&1
        apt-get "${options[@]}" download "$1" >>download.log 2>&1 && return 0
    fi
    return 1
}

# Lays out the model folders of one unpacked package in work/; prints what failed and returns 1 on failure.
layOut() {
    local package=$1 root=$2 line words folder skin found file name
    for line in "${models[@]}"; do
        read -r -a words <<<"$line"
        [ "${words[0]}" = "$package" ] || continue
        folder=work/${words[1]}
        mkdir -p "$folder"
        copyOut "$root/${words[2]}" "$folder/tris.md2" || return 1
        for skin in "${words[@]:3}"; do
            found=no
            for file in $root/$skin; do
                [ -f "$file" ] || continue
                name=${file##*/}
                copyOut "$file" "$folder/${name%.gz}" || return 1
                found=yes
            done
            [ "$found" = yes ] || {
                echo "no $skin in the package"
                return 1
            }
        done
    done
}

# Downloads, unpacks and lays out one package in the current (scratch) folder, then moves its model
# folders into the cache; prints the reason and returns 1 when something fails.
fetchHere() {
    local package=$1 folders=$2 folder why
    if ! download "$package"; then
        echo "apt-get download failed: $(tail -n 1 download.log)"
        return 1
    fi
    if ! dpkg-deb -x ./*.deb root 2>unpack.log; then
        echo "dpkg-deb could not unpack it: $(tail -n 1 unpack.log)"
        return 1
    fi
    if ! why=$(layOut "$package" root 2>&1); then
        echo "unexpected contents: ${why:-a file could not be copied}"
        return 1
    fi
    for folder in $folders; do
        rm -rf "${cache:?}/$folder"
        mv "work/$folder" "$cache/$folder" || return 1
    done
}

# Fetches one package into the cache unless its folders are all there; prints its one line.
fetch() {
    local package=$1 folders folder missing=no tmp
    folders=$(foldersOf "$package")
    for folder in $folders; do
        [ -f "$cache/$folder/tris.md2" ] || missing=yes
    done
    if [ "$missing" = no ]; then
        echo "$package: in the cache (${folders% })"
        return
    fi
    if ! tmp=$(mktemp -d "$cache/.fetch-XXXXXX") || ! cd "$tmp"; then
        echo "$package: skipped, cannot write to $cache"
        return
    fi
    # Not in a subshell, so that the package lists are refreshed at most once per run.
    if fetchHere "$package" "$folders" >reason.txt; then
        echo "$package: fetched (${folders% }) into $cache"
    else
        echo "$package: skipped, $(cat reason.txt)"
    fi
    cd / && rm -rf "$tmp"
}

if ! command -v apt-get >/dev/null || ! command -v dpkg-deb >/dev/null; then
    echo "fetch-models: skipped, apt-get and dpkg-deb are needed to fetch models"
    exit 0
fi
if ! mkdir -p "$cache" 2>/dev/null; then
    echo "fetch-models: skipped, cannot create $cache"
    exit 0
fi
for package in "${packages[@]}"; do
    fetch "$package"
done
exit 0
