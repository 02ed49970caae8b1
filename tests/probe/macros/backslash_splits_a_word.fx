// A backslash at a line's end splices the next line on before words are
// read, inside a number or a name too; the lines after keep their numbers.
//? entry ps_3_0 main()
//? ps c0 = 0.25 0 0 0
//? expect 0.5 0.25 1 13
float4 value : register(c0);
float4 main() : COLOR0
{
    float half_ = 0.\
5;
    float4 v = val\
ue;
    return float4(half_, v.x, 1, __LINE__);
}
