#!/usr/bin/env bash
# Remakes the committed vector fonts from the DejaVu fonts (Debian's fonts-dejavu-core):
# the program's built-in font and the sample game's fonts; the word puzzle's letter font from
# Comic Neue (Debian's fonts-comic-neue).
#   tools/mvecfont/make-fonts.sh PATH/TO/mvecfont
set -euo pipefail
tool=${1:?usage: make-fonts.sh PATH/TO/mvecfont}
root=$(cd "$(dirname "$0")/../.." && pwd)
dejavu=/usr/share/fonts/truetype/dejavu
latin=(32-126 160-383 8192-8303 8364 8482)
"$tool" "$dejavu/DejaVuSans.ttf" "$root/window/text/default.mvec" 32-8579
"$tool" "$dejavu/DejaVuSans.ttf" "$root/sample/assets/fonts/sans.mvec" "${latin[@]}"
"$tool" "$dejavu/DejaVuSans-Bold.ttf" "$root/sample/assets/fonts/sansbold.mvec" "${latin[@]}"
"$tool" "$dejavu/DejaVuSerif.ttf" "$root/sample/assets/fonts/serif.mvec" "${latin[@]}"
# Digits and the colon only, for scores and timers.
"$tool" "$dejavu/DejaVuSansMono-Bold.ttf" "$root/sample/assets/fonts/digits.mvec" 48-58
# The codex puzzle's label font (the name its layouts default to), from Debian's
# fonts-dejavu-extra.
"$tool" "$dejavu/DejaVuSansCondensed-Bold.ttf" "$root/sample/assets/fonts/euro_ex_bold.mvec" "${latin[@]}"
# The word puzzle's letters: printable ASCII.
"$tool" /usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf "$root/sample/assets/fonts/comic.mvec" 32-126
