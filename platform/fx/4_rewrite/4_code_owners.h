// Stage 4, after the compile: the entry point a message of glslang or of
// stages 5 and 6 belongs to (platform/fx internal).
#pragma once

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// Which entry point's code holds a place of the effect's HLSL: the
// functions that entry point reaches (ReachedFunctions). Each stage
// compiles all the HLSL, so a mistake belongs to the entry point whose code
// holds it, whichever stage met it first.
class CodeOwners {
public:
    // The effect's HLSL as stage 4 reads it; it must outlive this.
    explicit CodeOwners(const TokenStream& hlsl);

    // The message's entry point: the one that compiled it when its code
    // holds the place, else the first of `entries` whose code does, else
    // none. A place that is no token's but on a line of a function's
    // definition (glslang's column is a guess) belongs to that function;
    // other places that are no HLSL token's (a compile statement) keep
    // theirs.
    void Tag(const std::vector<std::string>& entries, Message* m);

private:
    struct Definition {
        size_t function = 0;  // in the outline
        SourcePos first;      // its return type
        SourcePos last;       // the end of its '}'
    };

    // By outline function: whether the entry point's code reaches it.
    const std::vector<bool>& Reached(const std::string& entry);

    Code code_;
    HlslOutline outline_;
    std::unordered_set<std::string> places_;  // where each code token starts and ends
    std::vector<Definition> definitions_;
    std::map<std::string, std::vector<bool>> reached_;
};

}  // namespace fx
