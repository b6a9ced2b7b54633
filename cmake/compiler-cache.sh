# Sourced by setup.sh, test.sh and the Windows CI steps, from the checkout's
# root: puts ccache in front of the compilers when it is installed, so that
# building unchanged sources again (a new clone, a new build folder, CI's
# next run) takes them from its cache (~/.cache/ccache) in seconds. Paths
# are hashed relative to the checkout, so clones in other folders share it.
# Sets $compiler_cache: the options to give cmake when it configures.
compiler_cache=()
if command -v ccache >/dev/null; then
  compiler_cache_launcher="env;CCACHE_BASEDIR=$PWD;CCACHE_NOHASHDIR=1;ccache"
  compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER="$compiler_cache_launcher"
    -DCMAKE_CXX_COMPILER_LAUNCHER="$compiler_cache_launcher")
fi
