# run_mpi R PROGRAM ARGS...: PROGRAM on R processes of this machine, however many cores it has;
# as root, as CI runs, Open MPI needs to be told that this is meant.
run_mpi() {
  local ranks=$1
  shift
  local as_root=()
  [ "$(id -u)" -eq 0 ] && as_root=(--allow-run-as-root)
  OMPI_MCA_btl_vader_single_copy_mechanism=none \
    mpirun "${as_root[@]}" --oversubscribe --bind-to none -np "$ranks" "$@"
}
