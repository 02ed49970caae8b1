//! args -Tvs_2_0 -EVS /DSCALE=2
//! line   vertex: vs_2_0 VS()
float4 VS(float4 p : POSITION) : POSITION { return p * SCALE; }
