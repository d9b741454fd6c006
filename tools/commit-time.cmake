# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# The time of the commit that a release's source was made from: git archive
# writes it in (see .gitattributes); in a checkout it stays a placeholder.
set(COMMIT_TIME "$Format:%ct$")
