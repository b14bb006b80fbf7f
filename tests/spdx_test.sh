#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file of ours says its licence on its first line, or on its
# second when the first must be a "#!" or "<?xml" line:
#
#   // SPDX-License-Identifier: MIT        (C++)
#   # SPDX-License-Identifier: MIT         (CMake, shell, Python, desktop entry)
#   <!-- SPDX-License-Identifier: MIT -->  (XML)
#
# Looks at the files git knows and the new ones it does not ignore.
#
#   spdx_test.sh SOURCE-DIR
set -uo pipefail

cd "${1:?usage: spdx_test.sh SOURCE-DIR}" || exit 2
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "spdx_test: not a git checkout, nothing to list the sources by"
    exit 77
fi

sources=('*.cpp' '*.h' '*.cmake' '*CMakeLists.txt' '*.sh' '*.py' '*.desktop' '*.xml' .ci/run)
licence='^(// |# |<!-- )SPDX-License-Identifier: MIT( -->)?$'
missing=()
checked=0
while IFS= read -r -d '' file; do
    [[ -f $file ]] || continue # deleted, not yet committed
    first= second=
    { IFS= read -r first; IFS= read -r second; } <"$file"
    checked=$((checked + 1))
    [[ $first =~ $licence ]] && continue
    [[ $first == '#!'* || $first == '<?xml'* ]] && [[ $second =~ $licence ]] && continue
    missing+=("$file")
done < <(git ls-files -z --cached --others --exclude-standard -- "${sources[@]}")

if ((${#missing[@]} > 0)); then
    echo "spdx_test: ${#missing[@]} of $checked source files lack the SPDX-License-Identifier line:"
    printf '    %s\n' "${missing[@]}"
    echo "Add it as the first line (second after #! or <?xml), as CONTRIBUTING.md's Licence says."
    exit 1
fi
echo "spdx_test: $checked source files, each with its SPDX-License-Identifier line"
