// A function's declaration ends with ';' or its body: one that runs into
// the next declaration is an error at the word after it, though the two
// read as a prototype and a definition (a struct to return).
//? entry vs_2_0 main()
//? error 8 expected ';' or a body after a function's declaration, found 'VOut'
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
VOut main(float4 p : POSITION)
{
    VOut o;
    o.p = p;
    o.t = 1;
    return o;
}
