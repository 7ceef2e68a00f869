# Bar chart of Lunvex's time over each other tool's, a cluster for each
# scenario and tree (below 1: Lunvex faster). bench.py runs it as
#   gnuplot -e "dat='ratios.dat'; png='ratios.png'; n=<tools>" ratios.gp
# dat: a header line "group tool...", then a group name and n ratios a line.
set terminal pngcairo size 1100,600 font 'sans,10'
set output png
set title 'Lunvex batch mode time / other tool time (below 1: Lunvex faster)'
set datafile missing '-'
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set boxwidth 1
set logscale y
set yrange [0.01:*]
set ylabel 'ratio (log scale)'
set grid ytics
set xtics rotate by -30
set key outside right top vertical autotitle columnheader
set arrow from graph 0, first 1 to graph 1, first 1 nohead dt 2 lw 2 lc rgb 'black'
# With gap 1 each cluster is n+1 box widths wide, so box i (from 0) of a
# cluster sits at x + (i - (n - 1) / 2) / (n + 1): the labels go there.
plot for [c=2:n+1] dat using c:xtic(1) title columnheader(c), \
     for [c=2:n+1] dat using ($0 + (c - 2 - (n - 1) / 2.0) / (n + 1.0)):c:(sprintf('%.2f', column(c))) \
         with labels offset 0,0.6 font ',8' notitle
