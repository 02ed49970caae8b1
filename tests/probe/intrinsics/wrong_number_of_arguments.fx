// An intrinsic called with a number of arguments it never takes is an
// error at its name, which names the count.
//? entry ps_3_0 main()
//? error 8 'faceforward': no matching 2 parameter intrinsic function
float4 v;
float4 main() : COLOR0
{
    return faceforward(v, v);
}
