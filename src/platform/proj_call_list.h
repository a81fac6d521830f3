// The PROJ calls the projection files need, one VELKARO_PROJ_CALL(name)
// each; included by proj_calls.h and proj_calls.cpp with the macro set.
VELKARO_PROJ_CALL(proj_as_wkt)
VELKARO_PROJ_CALL(proj_context_create)
VELKARO_PROJ_CALL(proj_context_destroy)
VELKARO_PROJ_CALL(proj_create)
VELKARO_PROJ_CALL(proj_destroy)
