#!/bin/sh
# Fails when a layer of the core includes a layer above it. The layers, lowest first:
#   platform <- song <- engine <- editor <- document <- app
cd "$(dirname "$0")/.." || exit 2
layers="platform song engine editor document app"
status=0
below=""
for layer in $layers; do
  allowed="$below $layer"
  for above in $layers; do
    case " $allowed " in *" $above "*) continue ;; esac
    if grep -rnE "#include *\"$above/" "$layer"; then
      echo "$layer/ must not include $above/" >&2
      status=1
    fi
  done
  below="$allowed"
done
[ $status -eq 0 ] && echo "layers include only downward: $layers"
exit $status
