#!/usr/bin/env Rscript
# Reference timing for the fuzzy c-means benchmark: R's e1071 cmeans on the same pixels as
# fcm_bench (data/landsat_scene01, 400 x 400 pixels, 6 bands, K = 4, m = 2).
# Usage: Rscript bench/fcm_e1071.R [path/to/landsat_scene01.img]   (needs r-cran-e1071)
#
# cmeans stops early once its objective stops changing, so the figure to compare is the time
# per iteration: (processor time of a full run - time of a run with iter.max = 1) / (iterations - 1).
suppressPackageStartupMessages(library(e1071))

args <- commandArgs(trailingOnly = TRUE)
image <- if (length(args) >= 1) args[1] else "data/landsat_scene01.img"
samples <- 400; lines <- 400; bands <- 6
n <- samples * lines
raw <- readBin(image, what = "raw", n = n * bands)
# Band-sequential bytes: column b of the matrix is band b, row p is pixel p.
x <- matrix(as.numeric(as.integer(raw)), nrow = n, ncol = bands)

repeats <- 5
best_time <- function(iter_max, reltol) {
  times <- numeric(repeats)
  iterations <- NA
  for (r in seq_len(repeats)) {
    set.seed(1)
    start <- x[sample.int(n, 4), , drop = FALSE]
    # Processor time of this process (user + system), so that other load on the machine
    # does not count.
    used <- system.time(fit <- cmeans(x, centers = start, iter.max = iter_max, m = 2,
                                      control = list(reltol = reltol)))
    t <- used[["user.self"]] + used[["sys.self"]]
    times[r] <- t
    iterations <- fit$iter
  }
  list(seconds = min(times), iterations = iterations)
}

report <- function(label, reltol) {
  one <- best_time(1, reltol)
  full <- best_time(100, reltol)
  per_iteration <- (full$seconds - one$seconds) / (full$iterations - 1)
  cat(sprintf("%s: iter.max=1 %.4f s; iter.max=100 %.4f s over %d iterations; %.3f ms per iteration\n",
              label, one$seconds, full$seconds, full$iterations, per_iteration * 1000))
}

report("default reltol", sqrt(.Machine$double.eps))
report("reltol = 1e-300 (practically no early stop)", 1e-300)
