# The device images' sources and their objects, for both device builds (sourced by
# scripts/build-device.sh and ceimage/build-armv4i.sh, from the source root, with $out set).
# device_sources [--setup-only]: sets launcher_sources, setup_sources and their objects
# (launcher_objects, setup_objects) in $out/obj.
# compile_device_sources <compiler> <flags...>: compiles them all in one pass, one compiler
# a core.
object_of() { echo "$out/obj/${1//\//_}.o"; }

device_sources() {
  launcher_sources=() launcher_objects=() setup_objects=()
  [ "${1:-}" = --setup-only ] || mapfile -t launcher_sources < <(ls Common/*.cpp launcher/*/*.cpp | sort)
  mapfile -t setup_sources < <(ls setup/*.cpp | sort)
  local source
  for source in "${launcher_sources[@]}"; do launcher_objects+=("$(object_of "$source")"); done
  for source in "${setup_sources[@]}"; do setup_objects+=("$(object_of "$source")"); done
}

# Through ccache, where the machine has it: a second build of the same sources (the
# reproducibility check's) gets the objects of the first.
. "$(dirname "${BASH_SOURCE[0]}")/compiler-cache.sh"
compile_device_sources() {
  export -f object_of
  export out
  printf '%s\n' "${launcher_sources[@]}" "${setup_sources[@]}" |
    xargs -P "$(nproc)" -I{} bash -c '"$@" -c {} -o "$(object_of {})"' _ "${compiler_cache[@]}" "$@"
}
