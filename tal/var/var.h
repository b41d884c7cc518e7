#ifndef TAL_VAR_VAR_H
#define TAL_VAR_VAR_H

// The whole value model: the interface and every kind.
#include "tal/var/IVar.h"
#include "tal/var/implement/Array.h"
#include "tal/var/implement/Bool.h"
#include "tal/var/implement/Dict.h"
#include "tal/var/implement/Null.h"
#include "tal/var/implement/Number.h"
#include "tal/var/implement/Ref.h"
#include "tal/var/implement/ShallowRaw.h"
#include "tal/var/implement/ShallowString.h"
#include "tal/var/implement/String.h"
#include "tal/var/utils/dump.h"

#endif
