// Stage 4: the order of the token rewrites, and why each sits where it does.
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/4_rewrite/4_aggregate_casts.h"
#include "platform/fx/4_rewrite/4_check_hlsl.h"
#include "platform/fx/4_rewrite/4_constant_sizes.h"
#include "platform/fx/4_rewrite/matrices/4_int_matrices.h"
#include "platform/fx/4_rewrite/4_intrinsic_overloads.h"
#include "platform/fx/4_rewrite/matrices/4_matrix_products.h"
#include "platform/fx/4_rewrite/matrices/4_mul_shapes.h"
#include "platform/fx/4_rewrite/matrices/4_matrix_spreads.h"
#include "platform/fx/4_rewrite/4_negated_bools.h"
#include "platform/fx/4_rewrite/matrices/4_outer_products.h"
#include "platform/fx/4_rewrite/4_spellings.h"
#include "platform/fx/4_rewrite/4_unused_globals.h"
#include "platform/fx/4_rewrite/checks/4_check_operands.h"
#include "platform/fx/4_rewrite/checks/4_check_shader_model.h"
#include "platform/fx/4_rewrite/checks/4_check_writes.h"
#include "platform/fx/4_rewrite/declarations/4_bool_outputs.h"
#include "platform/fx/4_rewrite/declarations/4_out_conversions.h"
#include "platform/fx/4_rewrite/declarations/4_semantic_spellings.h"
#include "platform/fx/4_rewrite/declarations/4_static_calls.h"
#include "platform/fx/4_rewrite/declarations/4_struct_semantics.h"
#include "platform/fx/4_rewrite/intrinsics/4_one_dimensional_reads.h"
#include "platform/fx/4_rewrite/intrinsics/4_untyped_samplers.h"
#include "platform/fx/4_rewrite/language/4_calls.h"
#include "platform/fx/4_rewrite/language/4_default_arguments.h"
#include "platform/fx/4_rewrite/language/4_for_scope.h"
#include "platform/fx/4_rewrite/language/4_literal_swizzles.h"
#include "platform/fx/4_rewrite/language/4_local_structs.h"
#include "platform/fx/4_rewrite/language/4_precision_overloads.h"
#include "platform/fx/4_rewrite/language/4_sampler_members.h"
#include "platform/fx/4_rewrite/language/4_struct_declarators.h"
#include "platform/fx/4_rewrite/language/4_template_types.h"
#include "platform/fx/4_rewrite/language/4_typedef_names.h"
#include "platform/fx/4_rewrite/language/4_statement_attributes.h"
#include "platform/fx/4_rewrite/language/4_unroll_counts.h"
#include "platform/fx/4_rewrite/values/4_assignment_widths.h"
#include "platform/fx/4_rewrite/values/4_conditional_widths.h"
#include "platform/fx/4_rewrite/values/4_constant_comparisons.h"
#include "platform/fx/4_rewrite/values/4_increments.h"
#include "platform/fx/4_rewrite/values/4_int_compounds.h"

#include <array>

namespace fx {

TokenRewriteState::TokenRewriteState(const ParsedEffect& parsed, TokenStream* tokens,
                                     GlobalsRewrite* globalsOut, MessageSink& found)
    : hlsl(tokens), globals(globalsOut), messages(found) {
    for (const TechniqueDesc& t : parsed.techniques)
        for (const PassDesc& p : t.passes)
            for (const ShaderBinding* s : {&p.vertexShader, &p.pixelShader})
                if (HasShader(*s)) {
                    entries.push_back(s->entry);
                    compiled.emplace_back(s->profile, s->entry);
                    for (const std::vector<SourceToken>& argument : s->argumentTokens)
                        for (const SourceToken& t : argument)
                            if (t.kind == Tok::Ident)
                                argumentNames.emplace_back(tokens->Text(t));
                }
    for (const TextureDesc& t : parsed.textures) textureNames.push_back(t.name);
}

const Code& TokenRewriteState::code() {
    if (!code_) code_.emplace(*hlsl);
    return *code_;
}

const HlslOutline& TokenRewriteState::outline() {
    if (!outline_) outline_ = OutlineHlsl(code());
    return *outline_;
}

void TokenRewriteState::Edited() {
    outline_.reset();
    code_.reset();
}

namespace {

constexpr std::array kRewrites = {
    // Before respell, which then reads "vector<double, 2>" as the
    // "double2" it makes of it, and before every rewrite that knows a type
    // by its name (typedefs, lists, int matrices).
    TokenRewrite{"template_types", RespellTemplateTypes},
    // After template_types, whose names it reads ("typedef vector<float, 3>
    // v3;"); before respell, which then respells what it puts in
    // ("typedef double2 d2;").
    TokenRewrite{"typedef_names", ReplaceTypedefNames},
    // After typedef_names, which takes the typedefs of structs; before
    // local_structs, which then moves a function's struct without its
    // variables, and before every rewrite that reads a variable's type.
    TokenRewrite{"struct_declarators", SeparateStructDeclarators},
    // Before the rewrites that count a value's components: "(1).xxx" is
    // a bracketed value with a swizzle, which they read.
    TokenRewrite{"literal_swizzles", BracketLiteralSwizzles},
    // Before the checks and every rewrite that reads the declared types of
    // names: a loop's variable read after the loop is then declared where
    // that code sees it.
    TokenRewrite{"for_scope", HoistForVariables},
    // Before the checks and every rewrite that reads struct types from the
    // outline, which sees only global ones (casts, lists, members).
    TokenRewrite{"local_structs", HoistLocalStructs},
    // Before respell, which makes double float, and before the checks,
    // which would find a half and a float overload one function defined
    // twice; after typedef_names, whose types it compares.
    TokenRewrite{"precision_overloads", SeparatePrecisionOverloads},
    // First: every rewrite after it reads type names and calls as glslang
    // spells them (DWORD as uint, float1 as float, texCUBEproj as texCUBE).
    TokenRewrite{"respell",
                 [](TokenRewriteState& s) {
                     if (RespellHlsl(s.hlsl, s.code())) s.Edited();
                     return true;
                 }},
    // Before any reshaping: what Direct3D 9 refuses is found in the code
    // as the user wrote it, and an error stops the list.
    TokenRewrite{"check",
                 [](TokenRewriteState& s) {
                     return CheckHlsl(s.code(), s.outline(), s.compiled, s.messages);
                 }},
    // With the checks: an error stops the list before any reshaping.
    TokenRewrite{"calls", CheckCalls},
    // With the checks, on the code as the user wrote it.
    TokenRewrite{"increment_checks", CheckIncrements},
    // With the checks, on the code as the user wrote it.
    TokenRewrite{"assignment_widths", CheckAssignmentWidths},
    // With the checks, on the code as the user wrote it: glslang would say
    // these at the line's start, or of a name it does not know.
    TokenRewrite{"operand_checks", CheckOperands},
    // With the checks, whose outline it shares (respell says "float double"
    // as "float float": the error stands at the name all the same).
    TokenRewrite{"model_checks", CheckShaderModel},
    // With the checks, on the code as the user wrote it (the reshaping
    // rewrites make indices and swizzles of their own).
    TokenRewrite{"write_checks", CheckWrites},
    // After the checks, which read a loop's attributes and test as the user
    // wrote them; after for_scope, which moved a counter the code reads
    // after the loop out of it, so the block around the loop hides nothing.
    TokenRewrite{"unroll_counts", CountUnrolledTurns},
    // After the checks, which read every attribute of a statement as the
    // user wrote them ([fastopt] with [unroll(n)]); its place after them
    // is free: the rewrites after it read no hint it drops.
    TokenRewrite{"statement_attributes", DropTakenAttributes},
    // After the checks, which tell an output's "_centroid" from an input's
    // by the name the user wrote; its place after them is free.
    TokenRewrite{"semantic_spellings", RespellSemantics},
    // After the checks, which read each semantic where the user wrote it;
    // after semantic_spellings, whose registers the copies' semantics
    // count on from; before bool_outputs and the reshaping rewrites, which
    // then read the copies' members as any output's or input's.
    TokenRewrite{"struct_semantics", AssignStructSemantics},
    // After the checks, which read the bool the user wrote; after
    // semantic_spellings, whose semantics it reads as the registers they
    // name; before the reshaping rewrites, which then read a float output.
    TokenRewrite{"bool_outputs", FloatBoolOutputs},
    // After the checks, which read the calls as the user wrote them; before
    // the reshaping rewrites, which then read every call's arguments.
    TokenRewrite{"default_arguments", WriteDefaultArguments},
    // After the checks, which read the struct members and calls as the
    // user wrote them, and after default_arguments, whose calls then pass
    // every parameter; before one_dimensional_reads, which then finds a
    // sampler1D member's reads by the sampler it reads, and before
    // unused_globals, which then drops the samplers no code reads.
    TokenRewrite{"sampler_members",
                 [](TokenRewriteState& s) { return SplitSamplerMembers(s); }},
    // After the checks, which take a plain sampler in any kind's read as the
    // user wrote it; after sampler_members, whose samplers (declared with
    // their member's type) it then reads as globals.
    TokenRewrite{"untyped_samplers", TypeUntypedSamplers},
    // After the checks, which tell a sampler1D given to another kind's read
    // by the names the user wrote; before the reshaping rewrites, which then
    // read the float2 and float4 coordinates it makes.
    TokenRewrite{"one_dimensional_reads", RewriteOneDimensionalReads},
    // Before unused_globals, which then drops a const global only array
    // sizes named; before globals, which takes the const word out.
    TokenRewrite{"constant_sizes", ConstantArraySizes},
    // After the checks (a global declared twice is an error, used or not),
    // before the reshaping rewrites, which then read only what is used: a
    // global no code names costs glslang nothing and takes no register.
    TokenRewrite{"unused_globals",
                 [](TokenRewriteState& s) {
                     if (DropUnusedGlobals(s.hlsl, s.code(), s.outline(), s.constants,
                                           s.argumentNames))
                         s.Edited();
                     return true;
                 }},
    // After the checks, whose errors come first; before shapes, which hold
    // a 1xN matrix as a vector, and before matrix products, which multiply
    // the vectors it casts to matrices.
    TokenRewrite{"matrix_vectors", CheckMatrixVectorOperands},
    // After the checks, whose errors come first; before the reshaping
    // rewrites, which cast and bracket operands into the shapes they meet.
    TokenRewrite{"operand_widths", WarnOperandWidths},
    // Before outer products, which take the column by row pairs its casts
    // leave (an Nx1 by a matrix's first row); before shapes, which would
    // hold a 1xN matrix as a vector.
    TokenRewrite{"mul_shapes", RewriteMulShapes},
    // Before shapes, which hold an Nx1 and a 1xN matrix as vectors, whose
    // mul would then be their dot product.
    TokenRewrite{"outer_products", RewriteOuterProducts},
    // Before the initializer lists: a list fills the types as these edits
    // leave them (a 1xN matrix as a vector).
    TokenRewrite{"shapes", RewriteDeclarationShapes},
    // Before the lists: a struct or array in a list becomes a call whose
    // components they count; before matrix logic, which then sees a call
    // as an operand.
    TokenRewrite{"aggregate_casts", RewriteAggregateCasts},
    // After shapes (above); before matrix logic, which copies operands the
    // lists may hold.
    TokenRewrite{"initializer_lists", FlattenInitializerLists},
    // After shapes and lists, whose widths it reads; before the overloads,
    // which spread a scalar given to the step() it makes with a vector.
    TokenRewrite{"constant_comparisons", RewriteConstantComparisons},
    // After shapes and lists, whose vectors it reads (a 1xN matrix is one):
    // calls reach the user's functions and the overloads Direct3D 9 has.
    TokenRewrite{"intrinsic_overloads", RewriteIntrinsicOverloads},
    // After the overloads, whose casts it reads; before int matrices, which
    // makes float matrices of int ones and their scalars floats itself.
    TokenRewrite{"matrix_spreads", CastScalarsToMatrices},
    // After the overloads (which read int2x2 as a matrix like any other);
    // before matrix logic, which rewrites the comparisons these conversions
    // wrap and reads the float matrices these make.
    TokenRewrite{"int_matrices", RewriteIntMatrices},
    // Its place among the reshaping rewrites is free: it reads only bool
    // names and comparisons, and puts in a subtraction of the same width.
    TokenRewrite{"negated_bools", NegateBools},
    // After int matrices, which converts compound assignments to int
    // matrices itself; after the checks, which find a const or uniform
    // assigned as the user wrote it. It reads only int, uint and bool names.
    TokenRewrite{"int_compounds", RewriteIntCompounds},
    // After the lists and overloads, whose values it counts; before matrix
    // products and logic, whose helper calls it could not count.
    TokenRewrite{"conditional_widths", RewriteConditionalWidths},
    // After the casts (above), whose calls it reads as operands, and after
    // int matrices, which leaves every matrix a float one; before matrix
    // logic, which copies the operands it casts.
    TokenRewrite{"matrix_products", RewriteMatrixProducts},
    // After the shapes and lists it copies: rounds until no comparison of
    // matrices is left.
    TokenRewrite{"matrix_logic", RewriteMatrixLogic},
    // After the reshaping rewrites, which then need not know its helpers;
    // before globals, which reads a global given to the helper's inout
    // parameter as written.
    TokenRewrite{"out_conversions", ConvertOutArguments},
    // After the reshaping rewrites, which read the initial value where it
    // was declared; before globals, which then sees the assignment as a
    // write of a static (no copy is made of a static).
    TokenRewrite{"static_calls", MoveStaticCalls},
    // Last: it renames written globals and takes out const and cbuffer
    // blocks, which the rewrites before it read as the user declared them.
    TokenRewrite{"globals",
                 [](TokenRewriteState& s) {
                     RewriteGlobals(s.hlsl, s.globals, s.messages);
                     s.Edited();
                     return true;
                 }},
};

}  // namespace

std::span<const TokenRewrite> TokenRewrites() { return kRewrites; }

bool RunTokenRewrites(TokenRewriteState& state) {
    for (const TokenRewrite& r : TokenRewrites())
        if (!r.run(state)) return false;
    return true;
}

}  // namespace fx
