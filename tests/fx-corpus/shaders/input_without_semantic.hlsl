//! args -T vs_2_0
//! exit 1
//! line FILE(5,
//! line : error:
float4 main(float4 p : POSITION, float4 tint) : POSITION { return p * tint; }
