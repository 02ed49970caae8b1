// Names the stage-4 rewrites make for the user's (platform/fx internal):
// said back as the user wrote them wherever a message names one.
#pragma once

#include <string>

namespace fx {

// Every name of ours in text back to the user's: fx_user_NAME_ (a function
// named as an intrinsic), fx_local_S_N_ (a struct declared in a function;
// fx_local_struct_N_ one without a name), fx_prec_NAME_N_ (a half or double
// overload), fx_member_VAR_dot_MEMBER_ (a struct's sampler member, said
// VAR.MEMBER).
void SayUserNames(std::string* text);

// Only fx_user_NAME_ back to NAME: a name the rewrites respelled because
// glslang reserves it or an intrinsic has it, as the effect's tables hold it.
void SayRespelledNames(std::string* text);

}  // namespace fx
