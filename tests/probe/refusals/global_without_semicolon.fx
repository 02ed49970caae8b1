// A global's initial value followed by the next declaration: the ';' after
// the value is missing, and it is said there.
//? entry ps_3_0 main()
//? error 6 ';' expected after the initial value of 'Gain'
static const float Scale = 0.5;
float Gain = Scale * 2
float4x4 World;
float4 main() : COLOR0
{
    return Gain;
}
