// After a declaration's ',' comes another name: a ';' right after it is an
// error there. A list may end with a ',' before its '}'.
//? entry ps_3_0 main()
//? error 8 ';' after ',': a name or a value is missing
static const float Table[2] = { 0.25, 0.5, };
float4 main() : COLOR0
{
    float r = Table[1], ;
    return r;
}
