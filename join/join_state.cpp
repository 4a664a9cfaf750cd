#include "join/join_state.h"

JoinState g_join;

int PartName(uint32_t index, char (&name)[kNameCapacity]) {
    return FormatPartName(g_join.outputName, g_join.partCount, index, name);
}
