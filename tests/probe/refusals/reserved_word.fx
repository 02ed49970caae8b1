// The language reserves C++'s words (enum, template, union, ...) and gives
// them no meaning.
//? entry ps_3_0 main()
//? error 5 'enum' is a reserved word
enum Colour { Red, Green };
float4 main() : COLOR0
{
    return float4(0.5, 0.25, 0, 1);
}
