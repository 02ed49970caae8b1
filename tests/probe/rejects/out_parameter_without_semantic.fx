// An entry point's out parameter needs a semantic.
//? entry ps_3_0 main()
//? error 4 semantic
void main(out float4 color, out float depth : DEPTH)
{
    color = 0.5;
    depth = 0.5;
}
