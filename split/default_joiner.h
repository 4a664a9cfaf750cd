// The joiner a run copies when none is given: where it lies, by the tree
// the program runs from, for the job and for a front end's help.
#ifndef SELVANORE_SPLIT_DEFAULT_JOINER_H
#define SELVANORE_SPLIT_DEFAULT_JOINER_H

#include "split/split.h"

// The default joiner of the tree this program runs from: the build tree's
// place only where a CMakeCache.txt lies beside the program (an installed
// tree has none, so a release never looks there), else the installed one.
DefaultJoiner FindDefaultJoiner(const JoinerPlaces& places);

#endif
