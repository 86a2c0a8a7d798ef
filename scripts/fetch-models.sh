#!/usr/bin/env bash
# Fills two caches with real models taken from public Debian packages, laid out the way users keep
# them: one folder per model holding the model file and the files it needs beside it, as packaged, so
# that the texture paths the model writes resolve. Tests that need real models read these caches and
# skip when they are empty; no test downloads anything.
#
#   MD2 models: ${VELMORA_MODEL_CACHE:-$HOME/.cache/velmora/models}, each folder's model named tris.md2
#   meshes:     ${VELMORA_MESH_CACHE:-$HOME/.cache/velmora/meshes}, each model under its packaged name
#
# MD2 folders, by package:
#   libirrlicht-doc      gun/     tris.md2 (names models/weapons/v_machn/skin.pcx), gun.jpg (JPEG)
#                        sydney/  tris.md2 (names no skin), sydney.bmp (8-bit BMP)
#                        faerie/  tris.md2 (names no skin), faerie2.bmp and Faerie5.BMP (8-bit BMP)
#   blobandconquer-data  spiderblob/  tris.md2 (names shotgunSpiderBlob.png), six 1 x 1 16-bit PNG skins
#
# Mesh folders, by package:
#   assimp-testmodels    gltf-box/           BoxTextured.gltf + .bin + CesiumLogoFlat.png (glTF 2.0)
#                        glb-box/            BoxTextured.glb (binary glTF, texture inside)
#                        gltf-box-embedded/  BoxTextured.gltf (buffers and texture as data: URIs)
#                        gltf-clearcoat/     ClearCoatTest.gltf: 27 meshes, 6 PNG/JPEG textures
#                        dae-duck/           duck.dae (COLLADA) with duckCM.tga
#                        obj-spider/         spider.obj + spider.mtl (names .\x.jpg) and 5 JPEGs
#                        fbx-spider/         spider.fbx (names D:\...\x.jpg) and the same 5 JPEGs
#                        fbx-box-embedded/   box.FBX (ASCII FBX, a PNG inside)
#                        ms3d-jeep/          jeep1.ms3d (MilkShape) with jeep1.jpg
#                        iqm-mrfixit/        mrfixit.iqm (skeletal) with Body.jpg and Head.jpg
#   libirrlicht-doc      b3d-ninja/          ninja.b3d (skeleton; names C:/work/.../nskin*.jpg), 2 of its JPEGs
#                        x-earth/            earth.x (DirectX, keyframes) with earth.jpg
#                        mdl-yodan/          yodan.mdl (Half-Life, textures inside)
#
# A package already in a cache is left alone, so a second run does nothing. Prints one line per
# package and cache and always exits 0: a package that cannot be had (no network, no such package) is
# reported with the reason and skipped.
set -uo pipefail

modelCache=${VELMORA_MODEL_CACHE:-${HOME:-}/.cache/velmora/models}
meshCache=${VELMORA_MESH_CACHE:-${HOME:-}/.cache/velmora/meshes}
irrlicht=usr/share/doc/libirrlicht-dev/media
blob=usr/share/games/blobAndConquer
assimp=usr/share/assimp/models

# One line per model folder: package, folder, the model inside the package, then the files it needs
# (globs allowed), all laid side by side. Files shipped gzip-compressed (name ending in .gz) are
# unpacked under the name without .gz. fetchSection reads these lists by name.
# shellcheck disable=SC2034
md2Models=(
    "libirrlicht-doc gun $irrlicht/gun.md2.gz $irrlicht/gun.jpg"
    "libirrlicht-doc sydney $irrlicht/sydney.md2.gz $irrlicht/sydney.bmp.gz"
    "libirrlicht-doc faerie $irrlicht/faerie.md2.gz $irrlicht/faerie2.bmp.gz $irrlicht/Faerie5.BMP.gz"
    "blobandconquer-data spiderblob $blob/gfx/md2/spiderBlob.md2 $blob/textures/game/*[sS]piderBlob*.png"
)
# shellcheck disable=SC2034
md2Packages=(libirrlicht-doc blobandconquer-data)

spiderTextures="$assimp/OBJ/SpiderTex.jpg $assimp/OBJ/drkwood2.jpg $assimp/OBJ/engineflare1.jpg"
spiderTextures+=" $assimp/OBJ/wal67ar_small.jpg $assimp/OBJ/wal69ar_small.jpg"
# shellcheck disable=SC2034
meshModels=(
    "assimp-testmodels gltf-box $assimp/glTF2/BoxTextured-glTF/BoxTextured.gltf $assimp/glTF2/BoxTextured-glTF/*"
    "assimp-testmodels glb-box $assimp/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb"
    "assimp-testmodels gltf-box-embedded $assimp/glTF2/BoxTextured-glTF-Embedded/BoxTextured.gltf"
    "assimp-testmodels gltf-clearcoat $assimp/glTF2/ClearCoat-glTF/ClearCoatTest.gltf $assimp/glTF2/ClearCoat-glTF/*"
    "assimp-testmodels dae-duck $assimp/Collada/duck.dae $assimp/Collada/duckCM.tga"
    "assimp-testmodels obj-spider $assimp/OBJ/spider.obj $assimp/OBJ/spider.mtl $spiderTextures"
    "assimp-testmodels fbx-spider $assimp/FBX/spider.fbx $spiderTextures"
    "assimp-testmodels fbx-box-embedded $assimp/FBX/embedded_ascii/box.FBX"
    "assimp-testmodels ms3d-jeep $assimp/MS3D/jeep1.ms3d $assimp/MS3D/jeep1.jpg"
    "assimp-testmodels iqm-mrfixit $assimp/IQM/mrfixit.iqm $assimp/IQM/Body.jpg $assimp/IQM/Head.jpg"
    "libirrlicht-doc b3d-ninja $irrlicht/ninja.b3d.gz $irrlicht/nskinbl.jpg $irrlicht/nskinrd.jpg"
    "libirrlicht-doc x-earth $irrlicht/earth.x.gz $irrlicht/earth.jpg"
    "libirrlicht-doc mdl-yodan $irrlicht/yodan.mdl.gz"
)
# shellcheck disable=SC2034
meshPackages=(assimp-testmodels libirrlicht-doc)

updated=no

# The folders a package gives, as "gun sydney faerie".
foldersOf() {
    local line words
    for line in "${models[@]}"; do
        read -r -a words <<<"$line"
        [ "${words[0]}" = "$1" ] && printf '%s ' "${words[1]}"
    done
}

# The name the model of a line (given as words) takes in its folder.
modelFileOf() {
    local name=${2##*/}
    printf '%s' "${modelName:-${name%.gz}}"
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
        [ -f "$root/${words[2]}" ] || {
            echo "no ${words[2]} in the package"
            return 1
        }
        copyOut "$root/${words[2]}" "$folder/$(modelFileOf "${words[@]:1}")" || return 1
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

# The model file each folder of a package should hold, one a line.
modelFilesOf() {
    local line words
    for line in "${models[@]}"; do
        read -r -a words <<<"$line"
        [ "${words[0]}" = "$1" ] && printf '%s/%s\n' "${words[1]}" "$(modelFileOf "${words[@]:1}")"
    done
}

# Fetches one package into the cache unless its folders are all there; prints its one line.
fetch() {
    local package=$1 folders file missing=no tmp
    folders=$(foldersOf "$package")
    while read -r file; do
        [ -f "$cache/$file" ] || missing=yes
    done < <(modelFilesOf "$package")
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
# Fetches the packages of one section (md2 or mesh) into its cache; its models take the name given
# (tris.md2 for MD2 folders; empty: the packaged name). The functions above see its models and cache.
fetchSection() {
    declare -n models=${1}Models packages=${1}Packages
    cache=$2 modelName=$3
    if ! mkdir -p "$cache" 2>/dev/null; then
        echo "fetch-models: skipped, cannot create $cache"
        return
    fi
    for package in "${packages[@]}"; do
        fetch "$package"
    done
}

fetchSection md2 "$modelCache" tris.md2
fetchSection mesh "$meshCache" ""
exit 0
