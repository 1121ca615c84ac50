// Draws a report page's charts from the data the page carries. Each chart
// marks in the page what it drew (data-drawn, its ranges), so that a browser
// without a screen can tell that it did.
(function () {
  'use strict';
  var D = JSON.parse(document.getElementById('report-data').textContent);
  // Okabe and Ito's colours, told apart with any colour vision; black is the
  // redraws'. Left is a solid line, right a dashed one, in every chart.
  var PALETTE = ['#0072B2', '#D55E00', '#009E73', '#CC79A7', '#E69F00', '#56B4E9'];
  var SIDES = ['left', 'right'];
  var linked = [];
  var syncing = false;

  function colour(run, side) {
    return D.compare || D.sideBySide ? PALETTE[run % PALETTE.length] : PALETTE[side];
  }

  function runName(run, side) {
    if (D.sideBySide) return sideBySideName(run) + (side < 0 ? '' : ' ' + SIDES[side]);
    return D.compare ? D.runs[run].rules[side] + ' ' + SIDES[side] : SIDES[side];
  }

  // Runs side by side go by their names; a name given twice is told apart
  // by its place, as a chart takes each label once.
  function sideBySideName(run) {
    var name = D.runs[run].name;
    for (var r = 0; r < run; r++) {
      if (D.runs[r].name === name) return name + ' (' + (run + 1) + ')';
    }
    return name;
  }

  // Columns of [x, y] lists on one x axis, as the chart takes them.
  function merge(columns) {
    var entries = [];
    columns.forEach(function (c, k) {
      for (var i = 0; i < c.x.length; i++) entries.push([c.x[i], k, c.y[i]]);
    });
    entries.sort(function (a, b) { return a[0] - b[0] || a[1] - b[1]; });
    var rows = [];
    var row = null;
    entries.forEach(function (e) {
      if (!row || row[0] !== e[0]) {
        row = [e[0]];
        for (var k = 0; k < columns.length; k++) row.push(null);
        rows.push(row);
      }
      row[1 + e[1]] = e[2];
    });
    return rows;
  }

  function draw(id, columns, options) {
    var el = document.getElementById(id);
    if (!el) return null;
    var rows = merge(columns);
    if (rows.length === 0) {
      el.setAttribute('data-drawn', '0');
      el.textContent = 'No intervals to draw.';
      return null;
    }
    var series = {};
    var colours = [];
    columns.forEach(function (c) {
      series[c.label] = {
        strokePattern: c.dash ? [6, 3] : null,
        strokeWidth: c.points ? 0 : 1.2,
        drawPoints: !!c.points,
        pointSize: c.points ? 3.5 : 1
      };
      colours.push(c.colour);
    });
    var all = {
      labels: ['x'].concat(columns.map(function (c) { return c.label; })),
      colors: colours,
      series: series,
      connectSeparatedPoints: true,
      legend: 'always',
      labelsSeparateLines: true,
      labelsDiv: document.getElementById(id + '-legend'),
      drawCallback: function (g, initial) {
        if (initial) {
          var y = g.yAxisRange();
          var x = g.xAxisRange();
          el.setAttribute('data-drawn', String(rows.length));
          el.setAttribute('data-y-top', String(y[1]));
          el.setAttribute('data-x-range', x[0] + ' ' + x[1]);
        }
      }
    };
    for (var k in options) all[k] = options[k];
    return new Dygraph(el, rows, all);
  }

  // The interval charts share one time axis: a zoom or pan of one moves all.
  function link(g) {
    if (!g) return;
    linked.push(g);
    var own = g.getOption('drawCallback');
    g.updateOptions({
      drawCallback: function (me, initial) {
        own(me, initial);
        if (initial || syncing) return;
        syncing = true;
        var range = me.xAxisRange();
        linked.forEach(function (other) {
          if (other !== me) other.updateOptions({dateWindow: range});
        });
        syncing = false;
      }
    }, true);
  }

  function intervalColumns(kind, label, colourOf, dashed) {
    var columns = [];
    D.runs.forEach(function (run, r) {
      if (kind !== 0 || r === 0 || D.sideBySide) {
        var s = run.series[kind];
        var side = kind === 0 ? -1 : (kind - 1) % 2;
        var name = kind === 0 ? (D.sideBySide ? runName(r, -1) : 'redraws') : label(r, side);
        var c = kind === 0 ? (D.sideBySide ? colour(r, 0) : '#000000') : colourOf(r, side);
        columns.push({label: name, x: s.t, y: s.v, colour: c, dash: dashed && side === 1});
        if (s.st.length > 0)
          columns.push({label: name + ' stutters', x: s.st, y: s.sv, colour: c, points: true});
        // Frames a generator made between the application's, where any.
        if (s.gt && s.gt.length > 0)
          columns.push({label: 'generated frames', x: s.gt, y: s.gv, colour: '#E69F00',
                        points: true});
      }
    });
    return columns;
  }

  var timeAxis = {xlabel: 'seconds into the run', ylabel: 'interval (ms)'};
  link(draw('chart-redraw', intervalColumns(0), timeAxis));
  var updates = [];
  var seen = [];
  [1, 2].forEach(function (kind) {
    updates = updates.concat(intervalColumns(kind, runName, colour, true));
    if (D.display) seen = seen.concat(intervalColumns(kind + 2, function (r, side) {
      return runName(r, side) + ' seen';
    }, colour, true));
  });
  link(draw('chart-updates', updates, timeAxis));
  if (D.display) link(draw('chart-seen', seen, timeAxis));

  // Each side's animation error at its new poses on screen, on the same
  // time axis: signed, so a pose that ran ahead of the display is above 0.
  function animationColumns() {
    var columns = [];
    D.runs.forEach(function (run, r) {
      (run.anim || []).forEach(function (s, side) {
        columns.push({label: runName(r, side) + ' animation error', x: s.t, y: s.v,
                      colour: colour(r, side), dash: side === 1});
      });
    });
    return columns;
  }
  if (D.display) {
    link(draw('chart-animation', animationColumns(),
              {xlabel: 'seconds into the run', ylabel: 'animation error (ms)'}));
  }

  // Percentiles on an axis that draws out the slow end: x is -log10(1 - p),
  // so 90, 99 and 99.9 lie one apart.
  function percentText(x, more) {
    var p = 100 * (1 - Math.pow(10, -x));
    return p.toFixed(Math.max(0, Math.ceil(x - 1e-9) - 2) + more);
  }
  function percentLabel(x) { return percentText(x, 1); }
  function percentTicks(min, max) {
    var ticks = [];
    [0, Math.log10(2), 1, 2, 3, 4, 5, 6, 7, 8, 9].forEach(function (v) {
      if (v >= min && v <= max) ticks.push({v: v, label: percentText(v, 0)});
    });
    return ticks;
  }
  // Each entry ({label, pct, hist, colour, dash}) as a curve in the chart of
  // intervals by percentile and as bars in the histogram beside it.
  function drawDistributions(id, entries) {
    draw('chart-pct-' + id, entries.map(function (e) {
      return {label: e.label, x: e.pct.x, y: e.pct.ms, colour: e.colour, dash: e.dash};
    }), {
      xlabel: 'percentile of the intervals', ylabel: 'interval (ms)',
      axes: {x: {ticker: percentTicks, valueFormatter: percentLabel}}
    });
    draw('chart-hist-' + id, entries.map(function (e) {
      var h = e.hist;
      return {label: e.label, x: h.counts.map(function (n, i) { return h.from + i * h.width; }),
              y: h.counts, colour: e.colour, dash: e.dash};
    }), {
      xlabel: 'interval (ms)', ylabel: 'intervals', stepPlot: true, fillGraph: true,
      fillAlpha: 0.25
    });
  }
  SIDES.forEach(function (sideName, side) {
    var entries = [];
    D.runs.forEach(function (run, r) {
      var kinds = D.display ? [1 + side, 3 + side] : [1 + side];
      kinds.forEach(function (kind) {
        entries.push({label: runName(r, side) + (kind > 2 ? ' seen' : ''), pct: run.pct[kind],
                      hist: run.hist[kind], colour: colour(r, side), dash: kind > 2});
      });
    });
    drawDistributions(sideName, entries);
  });
  // Runs side by side: each run's redraws, and what its display showed,
  // overlaid.
  function overlaid(id, pctOf, histOf) {
    var entries = [];
    D.runs.forEach(function (run, r) {
      var p = pctOf(run);
      var h = histOf(run);
      if (p && h) entries.push({label: runName(r, -1), pct: p, hist: h, colour: colour(r, 0)});
    });
    drawDistributions(id, entries);
  }
  if (D.sideBySide) {
    overlaid('redraw', function (run) { return run.pct[0]; },
      function (run) { return run.hist[0]; });
    overlaid('display', function (run) { return run.shownPct; },
      function (run) { return run.shownHist; });
  }

  // Milliseconds from the page's start to every chart drawn, for bench/.
  document.body.setAttribute('data-ready-ms', String(Math.round(performance.now())));
  document.body.setAttribute('data-ready', '1');
})();
