// The resources of this library are attached by the build; this file only gives the library
// a translation unit of its own.
namespace velvetfade_res {
int anchor = 0;
}
