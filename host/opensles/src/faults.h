// Fault rules: operations made to fail with a chosen result, per object kind. Rules come from
// slhost_fault_add() and from ORV_OPENSLES_FAULTS, read once at the first check.
#pragma once

#include <SLES/OpenSLES.h>
#include <opensles_host/test_control.h>

#include <string>
#include <vector>

namespace slhost {

// SL_RESULT_SUCCESS, or the result that the call must return instead of doing its work.
// `state` is the requested state of a SetPlayState/SetRecordState call, 0 otherwise.
SLresult fault_check(slhost_op op, slhost_kind kind, SLuint32 state = 0);

// Parses rules written as "kind:Operation[/state]=RESULT[@skip][xcount]", separated by ';'.
// kind: any, engine, outputmix, player, recorder. RESULT: an SL_RESULT_* name or a number.
// False (and `rules` untouched) when any rule is malformed; `error` then names it.
bool parse_fault_rules(const std::string &text, std::vector<slhost_fault> &rules,
                       std::string &error);

bool fault_add(const slhost_fault &rule);
void fault_clear();
unsigned fault_hits();

}  // namespace slhost
