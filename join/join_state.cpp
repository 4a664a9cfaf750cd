#include "join/join_state.h"

JoinState g_join;
