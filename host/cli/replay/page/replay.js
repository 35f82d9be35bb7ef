// The replay viewer: reads the run's data block, poses every vessel at the chosen time, and draws
// the vessels, their body, their trajectories and a strip chart. Positions are planet-fixed metres
// from the body's centre (see the data block's "frame"); the scene is drawn around a moving
// origin at the camera's target, so that single-precision graphics keep millimetres near a
// vessel however far it is from the body's centre.
//
// The viewer starts once the whole page is read: the data block comes after it, so that a file
// cut short in its data still has a viewer to say so (the page's first script, quvaShowError,
// reports on the page what fails).
function quvaStartViewer() {
  'use strict';

  function showError(message) { quvaShowError(message); }

  // ----- The data block -------------------------------------------------------------------------
  function fail(what) { throw new Error('the data block is malformed: ' + what); }
  function isArray(a, what) { if (!Array.isArray(a)) fail(what + ' is not a list'); return a; }
  function isNumber(x, what) { if (typeof x !== 'number' || !isFinite(x)) fail(what + ' is not a number'); return x; }
  function isIndex(i, length, what) {
    if (!Number.isInteger(i) || i < 0 || i >= length) fail(what + ' (' + i + ') is out of range');
    return i;
  }

  function readData() {
    var element = document.getElementById('quva-replay-data');
    if (!element) throw new Error('the page holds no data block (the file may be cut short)');
    var data;
    try {
      data = JSON.parse(element.textContent);
    } catch (e) {
      throw new Error('the data block is not valid JSON (the file may be cut short or damaged): ' + e.message);
    }
    checkData(data);
    return data;
  }

  function checkMesh(mesh, m) {
    isArray(mesh.groups, 'mesh ' + m + "'s groups").forEach(function (g, k) {
      var what = 'mesh ' + m + ' group ' + k;
      isArray(g.vertices, what + ' vertices');
      isArray(g.triangles, what + ' triangles');
      if (g.vertices.length % 3 || g.triangles.length % 3) fail(what + ' has a partial vertex or triangle');
      var n = g.vertices.length / 3;
      g.triangles.forEach(function (i) { isIndex(i, n, what + ' triangle corner'); });
    });
  }

  function checkClass(c, k, meshes) {
    var what = 'class ' + k;
    isArray(c.meshes, what + ' meshes').forEach(function (slot) {
      if (slot.mesh !== -1) isIndex(slot.mesh, meshes.length, what + ' mesh');
      isArray(slot.offset, what + ' mesh offset');
    });
    isArray(c.animations, what + ' animations');
    isArray(c.components, what + ' components').forEach(function (p) {
      isIndex(p.animation, c.animations.length, what + ' component animation');
      if (p.parent !== -1) isIndex(p.parent, c.components.length, what + ' component parent');
      isArray(p.groups, what + ' component groups');
    });
  }

  function checkVessel(v, k, data) {
    var what = 'vessel ' + k;
    if (typeof v.name !== 'string') fail(what + ' has no name');
    isIndex(v['class'], data.classes.length, what + ' class');
    isIndex(v.body, data.bodies.length, what + ' body');
    var n = isArray(v.t, what + ' times').length;
    if (n === 0) fail(what + ' has no samples');
    if (isArray(v.position, what + ' positions').length !== 3 * n) fail(what + ' positions do not match its times');
    if (isArray(v.quaternion, what + ' quaternions').length !== 4 * n) fail(what + ' quaternions do not match its times');
    if (isArray(v.altitude, what + ' altitudes').length !== n) fail(what + ' altitudes do not match its times');
    if (isArray(v.verticalSpeed, what + ' vertical speeds').length !== n) fail(what + ' vertical speeds do not match its times');
    isArray(v.animations, what + ' animations').forEach(function (a) {
      if (isArray(a, what + ' animation states').length !== n) fail(what + ' animation states do not match its times');
    });
    for (var i = 0; i < n; ++i) {
      isNumber(v.t[i], what + ' time');
      if (i && v.t[i] < v.t[i - 1]) fail(what + ' times go backwards');
    }
  }

  function checkData(d) {
    if (!d || typeof d !== 'object') fail('it is not an object');
    if (d.format !== 'quva-replay') fail('it is not a quva replay');
    if (d.version !== 1) fail('version ' + d.version + ' is not known to this page');
    isNumber(d.tStart, 'tStart');
    isNumber(d.tEnd, 'tEnd');
    isArray(d.bodies, 'bodies').forEach(function (b, k) { isNumber(b.radius, 'body ' + k + ' radius'); });
    isArray(d.meshes, 'meshes').forEach(checkMesh);
    isArray(d.classes, 'classes').forEach(function (c, k) { checkClass(c, k, d.meshes); });
    isArray(d.vessels, 'vessels').forEach(function (v, k) { checkVessel(v, k, d); });
    isArray(d.events, 'events').forEach(function (e, k) { isNumber(e.t, 'event ' + k + ' time'); });
  }

  // ----- Poses: the state of a vessel at any time -----------------------------------------------
  // The last sample at or before t (binary search), or -1 before the first.
  function sampleBefore(v, t) {
    var lo = 0, hi = v.t.length - 1;
    if (t < v.t[0]) return -1;
    if (t >= v.t[hi]) return hi;
    while (hi - lo > 1) {
      var mid = (lo + hi) >> 1;
      if (v.t[mid] <= t) lo = mid; else hi = mid;
    }
    return lo;
  }

  function slerp(a, b, f) {
    var dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    var sign = dot < 0 ? -1 : 1;
    dot *= sign;
    var wa = 1 - f, wb = f * sign;
    if (dot < 0.9995) {
      var angle = Math.acos(dot), s = Math.sin(angle);
      wa = Math.sin((1 - f) * angle) / s;
      wb = sign * Math.sin(f * angle) / s;
    }
    var q = [a[0] * wa + b[0] * wb, a[1] * wa + b[1] * wb, a[2] * wa + b[2] * wb, a[3] * wa + b[3] * wb];
    var n = Math.hypot(q[0], q[1], q[2], q[3]);
    return q.map(function (x) { return x / n; });
  }

  // The vessel's pose at t, between its samples (linear; the attitude along the short arc), or
  // null when it is not there (before its first sample, or removed).
  function poseOf(v, t) {
    if (v.removedAt !== null && t >= v.removedAt) return null;
    var i = sampleBefore(v, t);
    if (i < 0) return null;
    var j = Math.min(i + 1, v.t.length - 1);
    var f = j > i && v.t[j] > v.t[i] ? (t - v.t[i]) / (v.t[j] - v.t[i]) : 0;
    if (f <= 0) { f = 0; j = i; }
    function lerp(a, b) { return f === 0 ? a : a + (b - a) * f; }
    var p = v.position, q = v.quaternion;
    var qa = [q[4 * i], q[4 * i + 1], q[4 * i + 2], q[4 * i + 3]];
    return {
      t: t,
      position: [lerp(p[3 * i], p[3 * j]), lerp(p[3 * i + 1], p[3 * j + 1]), lerp(p[3 * i + 2], p[3 * j + 2])],
      quaternion: f === 0 ? qa : slerp(qa, [q[4 * j], q[4 * j + 1], q[4 * j + 2], q[4 * j + 3]], f),
      animations: v.animations.map(function (a) {
        return a[i] === null || a[j] === null ? a[i] : lerp(a[i], a[j]);
      }),
      altitude: lerp(v.altitude[i], v.altitude[j]),
      verticalSpeed: lerp(v.verticalSpeed[i], v.verticalSpeed[j])
    };
  }

  // ----- Posing mesh groups, as the pose drawings do ----------------------------------------------
  // Progress of a state through a component's range: 0 at state0, 1 at state1, held outside.
  function progress(c, state) {
    var p;
    if (c.state1 !== c.state0) p = (state - c.state0) / (c.state1 - c.state0);
    else p = state >= c.state0 ? 1 : 0;
    if (!(p > 0)) return 0;
    return Math.min(p, 1);
  }

  function rotate(points, ref, axis, angle) {
    var n = Math.hypot(axis[0], axis[1], axis[2]);
    if (!(n > 0)) return;
    var kx = axis[0] / n, ky = axis[1] / n, kz = axis[2] / n;
    var c = Math.cos(angle), s = Math.sin(angle), t = 1 - c;
    var m = [c + t * kx * kx, t * kx * ky - s * kz, t * kx * kz + s * ky,
             t * ky * kx + s * kz, c + t * ky * ky, t * ky * kz - s * kx,
             t * kz * kx - s * ky, t * kz * ky + s * kx, c + t * kz * kz];
    for (var i = 0; i < points.length; i += 3) {
      var x = points[i] - ref[0], y = points[i + 1] - ref[1], z = points[i + 2] - ref[2];
      points[i] = ref[0] + m[0] * x + m[1] * y + m[2] * z;
      points[i + 1] = ref[1] + m[3] * x + m[4] * y + m[5] * z;
      points[i + 2] = ref[2] + m[6] * x + m[7] * y + m[8] * z;
    }
  }

  // Moves the points by the component's transform at progress p relative to that at p0 (the
  // progress the stored mesh shows).
  function applyRelative(c, p, p0, points) {
    var dp = p - p0, i;
    if (c.type === 'rotate') {
      rotate(points, c.ref, c.axis, dp * c.angle);
    } else if (c.type === 'translate') {
      for (i = 0; i < points.length; i += 3) {
        points[i] += c.shift[0] * dp; points[i + 1] += c.shift[1] * dp; points[i + 2] += c.shift[2] * dp;
      }
    } else if (c.type === 'scale') {
      var k = c.scale.map(function (s) {
        var f0 = 1 + p0 * (s - 1);
        return f0 !== 0 ? (1 + p * (s - 1)) / f0 : 1;
      });
      for (i = 0; i < points.length; i += 3)
        for (var a = 0; a < 3; ++a) points[i + a] = c.ref[a] + (points[i + a] - c.ref[a]) * k[a];
    }
  }

  // The components that move group `group` of mesh slot `slot`: each that names it, followed by
  // its ancestors nearest first (a guard against a cycle bounds the chain).
  function chainsFor(cls, slot, group) {
    var chains = [];
    cls.components.forEach(function (c) {
      if (c.type === 'none' || c.meshSlot !== slot || c.groups.indexOf(group) < 0) return;
      var chain = [c];
      for (var a = c.parent, steps = 0; a !== -1 && steps < cls.components.length; a = cls.components[a].parent, ++steps)
        chain.push(cls.components[a]);
      chains.push(chain);
    });
    return chains;
  }

  // Vertices of a group, posed at the animation states, in the vessel frame without the slot's
  // offset (the scene adds it).
  function posedVertices(cls, chains, stored, states) {
    var points = Float32Array.from(stored);
    chains.forEach(function (chain) {
      chain.forEach(function (c) {
        var state = states[c.animation];
        if (state === null || state === undefined) state = cls.animations[c.animation];
        applyRelative(c, progress(c, state), progress(c, cls.animations[c.animation]), points);
      });
    });
    return points;
  }

  // ----- Start -------------------------------------------------------------------------------------
  var data;
  try {
    data = readData();
  } catch (e) {
    showError(e.message);
    window.quvaReplay = Object.freeze({ error: e.message, ready: false });
    return;
  }
  var vesselByName = {};
  data.vessels.forEach(function (v) { vesselByName[v.name] = v; });
  var state = { t: data.tStart, playing: false, speed: 1, follow: data.vessels.length ? data.vessels[0].name : '' };
  var view = null;  // the 3-D scene, when the browser can draw one
  var listeners = [];

  function setTime(t) {
    t = Number(t);
    if (!isFinite(t)) return state.t;
    state.t = Math.min(Math.max(t, data.tStart), data.tEnd);
    listeners.forEach(function (f) { f(); });
    return state.t;
  }
  function follow(name) {
    if (name !== '' && !vesselByName[name]) throw new Error('no vessel named "' + name + '" in this replay');
    state.follow = name;
    listeners.forEach(function (f) { f(); });
  }

  window.quvaReplay = Object.freeze({
    ready: true,
    error: null,
    title: data.title,
    vessels: function () {
      return data.vessels.map(function (v) {
        return { name: v.name, className: data.classes[v['class']].name, body: data.bodies[v.body].name,
                 firstTime: v.t[0], lastTime: v.t[v.t.length - 1], removedAt: v.removedAt, samples: v.t.length };
      });
    },
    events: function () { return data.events.map(function (e) { return Object.assign({}, e); }); },
    poseAt: function (name, t) {
      var v = vesselByName[name];
      if (!v) throw new Error('no vessel named "' + name + '" in this replay');
      return poseOf(v, Number(t));
    },
    sampleTimes: function (name) { var v = vesselByName[name]; return v ? v.t.slice() : []; },
    time: function () { return state.t; },
    following: function () { return state.follow; },
    setTime: setTime,
    follow: follow,
    posedGroup: function (name, slot, group, t) {
      var v = vesselByName[name], pose = v && poseOf(v, Number(t));
      if (!pose) return null;
      var cls = data.classes[v['class']], m = cls.meshes[slot];
      if (!m || m.mesh < 0 || !data.meshes[m.mesh].groups[group]) return null;
      var pts = posedVertices(cls, chainsFor(cls, slot, group), data.meshes[m.mesh].groups[group].vertices, pose.animations);
      return Array.from(pts, function (x, i) { return x + m.offset[i % 3]; });
    }
  });

  // ----- Controls ----------------------------------------------------------------------------------
  var el = function (id) { return document.getElementById(id); };
  document.title = data.title + ' \u2014 Quva replay';
  el('title').textContent = data.title;
  el('subtitle').textContent = data.vessels.length + ' vessel' + (data.vessels.length === 1 ? '' : 's') +
      ', t = ' + data.tStart + ' to ' + data.tEnd + ' s, step ' + data.dt + ' s';
  var slider = el('time');
  slider.min = data.tStart;
  slider.max = data.tEnd;
  slider.addEventListener('input', function () { state.playing = false; setTime(slider.value); });

  [0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000].forEach(function (s) {
    var o = document.createElement('option');
    o.value = s;
    o.textContent = '\u00d7' + s;
    if (s === 1) o.selected = true;
    el('speed').appendChild(o);
  });
  el('speed').addEventListener('change', function () { state.speed = Number(el('speed').value); });
  el('play').addEventListener('click', function () {
    if (!state.playing && state.t >= data.tEnd) setTime(data.tStart);
    state.playing = !state.playing;
    listeners.forEach(function (f) { f(); });
  });

  var followSelect = el('follow');
  [['', 'Frame all vessels']].concat(data.vessels.map(function (v) { return [v.name, 'Follow ' + v.name]; }))
    .forEach(function (pair) {
      var o = document.createElement('option');
      o.value = pair[0];
      o.textContent = pair[1];
      followSelect.appendChild(o);
    });
  followSelect.addEventListener('change', function () { follow(followSelect.value); });

  var span = Math.max(data.tEnd - data.tStart, 1e-9);
  data.events.forEach(function (e) {
    var mark = document.createElement('span');
    mark.style.left = (100 * (e.t - data.tStart) / span) + '%';
    mark.title = 't = ' + e.t + ' s: ' + e.vessel + ' ' + e.text;
    el('marks').appendChild(mark);
    var item = document.createElement('li'), button = document.createElement('button');
    var time = document.createElement('span');
    time.className = 't';
    time.textContent = e.t.toFixed(2) + ' s ';
    button.appendChild(time);
    button.appendChild(document.createTextNode(e.vessel + ': ' + e.text));
    button.addEventListener('click', function () {
      state.playing = false;
      if (vesselByName[e.vessel]) follow(e.vessel);
      setTime(e.t);
    });
    item.appendChild(button);
    el('events').appendChild(item);
  });

  function chartVessel() { return vesselByName[state.follow] || data.vessels[0]; }

  // ----- Strip chart: altitude and vertical speed of the followed vessel ---------------------------
  var chart = el('chart'), chartBase = null, chartFor = null;
  function drawChartBase(v) {
    var w = chart.clientWidth || 900, h = chart.clientHeight || 92;
    chart.width = w;
    chart.height = h;
    var c = document.createElement('canvas');
    c.width = w;
    c.height = h;
    var g = c.getContext('2d');
    g.fillStyle = '#0e1428';
    g.fillRect(0, 0, w, h);
    if (!v) return c;
    function range(a) {
      var lo = Infinity, hi = -Infinity;
      a.forEach(function (x) { if (x < lo) lo = x; if (x > hi) hi = x; });
      if (!(hi > lo)) { hi = lo + 1; lo -= 1; }
      return [lo, hi];
    }
    function plot(values, colour, r) {
      g.strokeStyle = colour;
      g.beginPath();
      values.forEach(function (y, i) {
        var px = (v.t[i] - data.tStart) / span * w, py = h - 12 - (y - r[0]) / (r[1] - r[0]) * (h - 24);
        if (i) g.lineTo(px, py); else g.moveTo(px, py);
      });
      g.stroke();
    }
    var ra = range(v.altitude), rv = range(v.verticalSpeed);
    plot(v.altitude, '#6bc1ff', ra);
    plot(v.verticalSpeed, '#ff8fa3', rv);
    g.fillStyle = '#ffb347';
    data.events.forEach(function (e) { g.fillRect((e.t - data.tStart) / span * w, 0, 1, 5); });
    g.font = '11px sans-serif';
    g.fillStyle = '#6bc1ff';
    g.fillText('altitude (m) ' + ra[0].toFixed(0) + ' to ' + ra[1].toFixed(0), 4, 11);
    g.fillStyle = '#ff8fa3';
    g.fillText('vertical speed (m/s) ' + rv[0].toFixed(1) + ' to ' + rv[1].toFixed(1), 4, h - 2);
    g.fillStyle = '#9aa6c4';
    g.fillText(v.name + ', time (s) ' + data.tStart + ' to ' + data.tEnd, w - 260, 11);
    return c;
  }
  function drawChart() {
    var v = chartVessel();
    if (chartFor !== v || !chartBase || chartBase.width !== (chart.clientWidth || 900)) {
      chartBase = drawChartBase(v);
      chartFor = v;
    }
    var g = chart.getContext('2d');
    g.drawImage(chartBase, 0, 0);
    g.fillStyle = '#ffffff';
    g.fillRect((state.t - data.tStart) / span * chart.width, 0, 1, chart.height);
  }

  function updateControls() {
    slider.value = state.t;
    el('play').textContent = state.playing ? 'Pause' : 'Play';
    if (followSelect.value !== state.follow) followSelect.value = state.follow;
    var v = chartVessel(), pose = v && poseOf(v, state.t);
    el('readout').textContent = 't = ' + state.t.toFixed(2) + ' s' + (pose
      ? '   ' + v.name + ': altitude ' + pose.altitude.toFixed(1) + ' m, vertical speed ' +
        pose.verticalSpeed.toFixed(2) + ' m/s'
      : (v ? '   ' + v.name + ' is not there' : ''));
    drawChart();
  }
  listeners.push(updateControls);

  // ----- The 3-D scene ---------------------------------------------------------------------------
  function buildView() {
    if (typeof THREE === 'undefined') throw new Error('the 3-D library is missing from the page');
    var container = el('view');
    var renderer = new THREE.WebGLRenderer({ antialias: true, logarithmicDepthBuffer: true, preserveDrawingBuffer: true });
    renderer.setPixelRatio(window.devicePixelRatio || 1);
    container.appendChild(renderer.domElement);
    var scene = new THREE.Scene();
    scene.background = new THREE.Color(0x0b1020);
    var camera = new THREE.PerspectiveCamera(45, 1, 0.05, 1e9);
    scene.add(new THREE.AmbientLight(0xffffff, 0.45));
    var sun = new THREE.DirectionalLight(0xffffff, 0.8);
    scene.add(sun);
    scene.add(sun.target);

    // The body: a sphere to scale. Near the ground a local plane with a grid takes over, since
    // the sphere's facets lie kilometres inside the true surface.
    // Colours by body: an airless body grey, one with air blue seas and green ground.
    function looksOf(body) {
      return body && /moon/i.test(body.name) ? { sphere: 0x8a8a8a, ground: 0x77746e } : { sphere: 0x2c5d8a, ground: 0x3d5a3a };
    }
    var bodies = data.bodies.map(function (b) {
      var mesh = new THREE.Mesh(new THREE.SphereBufferGeometry(b.radius, 128, 96),
                                new THREE.MeshLambertMaterial({ color: looksOf(b).sphere }));
      scene.add(mesh);
      return mesh;
    });
    var ground = new THREE.Group();
    var groundDisc = new THREE.Mesh(new THREE.CircleBufferGeometry(1, 64),
                                    new THREE.MeshLambertMaterial({ color: 0x3d5a3a, side: THREE.DoubleSide }));
    groundDisc.rotation.x = -Math.PI / 2;
    ground.add(groundDisc);
    var grid = null;
    scene.add(ground);

    // Vessels: static groups share one geometry per mesh group across all vessels; the groups
    // that animations move get a geometry per vessel, posed again when their states change.
    var sharedGeometry = {};
    function geometryOf(meshIndex, groupIndex, vertices) {
      var key = meshIndex + '/' + groupIndex;
      if (!sharedGeometry[key]) sharedGeometry[key] = makeGeometry(data.meshes[meshIndex].groups[groupIndex], vertices);
      return sharedGeometry[key];
    }
    function makeGeometry(group, vertices) {
      var g = new THREE.BufferGeometry();
      g.setAttribute('position', new THREE.BufferAttribute(Float32Array.from(vertices || group.vertices), 3));
      g.setIndex(group.vertices.length / 3 > 65535 ? new THREE.Uint32BufferAttribute(group.triangles, 1)
                                                     : new THREE.Uint16BufferAttribute(group.triangles, 1));
      g.computeBoundingSphere();
      return g;
    }
    // Moved groups posed at a set of states, shared by every vessel in those states (a fleet whose
    // canopies open together poses each canopy once). Geometries no vessel showed in the latest
    // frame are let go once there are many.
    var posedCache = new Map(), frame = 0;
    function posedGeometry(key, cls, a, states) {
      var g = posedCache.get(key);
      if (g) return g;
      if (posedCache.size > 4096) {
        posedCache.forEach(function (old, k) {
          if (old.userData.frame < frame - 1) { old.dispose(); posedCache.delete(k); }
        });
      }
      g = makeGeometry(a.group, posedVertices(cls, a.chains, a.group.vertices, states));
      g.userData.frame = frame;
      posedCache.set(key, g);
      return g;
    }
    var palette = [0xd8dee9, 0xf2c46d, 0x8fd6a8, 0xe39ad8, 0x9ec5ff, 0xff9f7a];
    var classMaterials = data.classes.map(function (c, k) {
      return { still: new THREE.MeshPhongMaterial({ color: palette[k % palette.length], flatShading: true, side: THREE.DoubleSide }),
               moving: new THREE.MeshPhongMaterial({ color: 0xff7a59, flatShading: true, side: THREE.DoubleSide }) };
    });
    var classRadius = data.classes.map(function (c) {
      var r = 1;
      c.meshes.forEach(function (slot) {
        if (slot.mesh < 0) return;
        data.meshes[slot.mesh].groups.forEach(function (g) {
          for (var i = 0; i < g.vertices.length; i += 3)
            r = Math.max(r, Math.hypot(g.vertices[i] + slot.offset[0], g.vertices[i + 1] + slot.offset[1], g.vertices[i + 2] + slot.offset[2]));
        });
      });
      return r;
    });

    var vessels = data.vessels.map(function (v) {
      var cls = data.classes[v['class']], root = new THREE.Group(), animated = [];
      cls.meshes.forEach(function (slot, s) {
        if (slot.mesh < 0) return;
        var holder = new THREE.Group();
        holder.position.fromArray(slot.offset);
        root.add(holder);
        data.meshes[slot.mesh].groups.forEach(function (group, k) {
          var chains = chainsFor(cls, s, k), mesh;
          if (chains.length) {
            mesh = new THREE.Mesh(geometryOf(slot.mesh, k), classMaterials[v['class']].moving);
            animated.push({ mesh: mesh, chains: chains, group: group, id: v['class'] + '/' + s + '/' + k, key: null });
          } else {
            mesh = new THREE.Mesh(geometryOf(slot.mesh, k), classMaterials[v['class']].still);
          }
          holder.add(mesh);
        });
      });
      scene.add(root);
      // The trajectory, drawn from an anchor of its own for single precision: the whole path
      // dim, the part flown so far bright.
      // With many vessels every path keeps a share of a budget of points, the last one included.
      var stride = Math.max(1, Math.ceil(v.t.length * data.vessels.length / 300000));
      var anchor = v.position.slice(0, 3), kept = Math.ceil((v.t.length - 1) / stride) + 1;
      var pts = new Float32Array(3 * kept);
      for (var i = 0; i < kept; ++i) {
        var sample = Math.min(i * stride, v.t.length - 1);
        for (var c = 0; c < 3; ++c) pts[3 * i + c] = v.position[3 * sample + c] - anchor[c];
      }
      var pathGeometry = new THREE.BufferGeometry();
      pathGeometry.setAttribute('position', new THREE.BufferAttribute(pts, 3));
      var whole = new THREE.Line(pathGeometry, new THREE.LineBasicMaterial({ color: 0x4a5a88 }));
      var flown = new THREE.Line(pathGeometry.clone(), new THREE.LineBasicMaterial({ color: 0xffd166 }));
      scene.add(whole);
      scene.add(flown);
      return { data: v, cls: cls, root: root, animated: animated, anchor: anchor, whole: whole, flown: flown, stride: stride };
    });

    // A dot per vessel, the same size at any distance, so that every vessel shows when framed.
    var dotGeometry = new THREE.BufferGeometry();
    dotGeometry.setAttribute('position', new THREE.BufferAttribute(new Float32Array(3 * Math.max(vessels.length, 1)), 3));
    var dots = new THREE.Points(dotGeometry, new THREE.PointsMaterial({ color: 0xffffff, size: 4, sizeAttenuation: false }));
    dots.frustumCulled = false;
    scene.add(dots);

    // The camera turns about its target on the local horizon: azimuth from north, elevation.
    var orbit = { azimuth: 0.6, elevation: 0.35, distance: null, lastFollow: null };
    var drag = null;
    renderer.domElement.addEventListener('pointerdown', function (e) { drag = { x: e.clientX, y: e.clientY }; });
    window.addEventListener('pointerup', function () { drag = null; });
    window.addEventListener('pointermove', function (e) {
      if (!drag) return;
      orbit.azimuth -= (e.clientX - drag.x) * 0.008;
      orbit.elevation = Math.min(1.55, Math.max(-1.55, orbit.elevation + (e.clientY - drag.y) * 0.008));
      drag = { x: e.clientX, y: e.clientY };
      render();
    });
    renderer.domElement.addEventListener('wheel', function (e) {
      e.preventDefault();
      orbit.distance *= Math.pow(1.0015, e.deltaY);
      render();
    }, { passive: false });

    function niceLength(x) {
      var p = Math.pow(10, Math.floor(Math.log10(x))), m = x / p;
      return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * p;
    }
    function formatLength(m) { return m >= 1000 ? (m / 1000) + ' km' : m >= 1 ? m + ' m' : (m * 100) + ' cm'; }

    // Target of the camera and how far it stands: the followed vessel, or all vessels' middle.
    function target(poses) {
      var f = vesselByName[state.follow];
      if (f && poses[f.name]) {
        // Far enough to see the vessel and those near it (the vessels it holds, say) whole.
        var at = poses[f.name].position, reach = classRadius[f['class']];
        data.vessels.forEach(function (o) {
          var p = poses[o.name];
          if (!p) return;
          var d = Math.hypot(p.position[0] - at[0], p.position[1] - at[1], p.position[2] - at[2]);
          if (d < 200) reach = Math.max(reach, d + classRadius[o['class']]);
        });
        return { at: at, size: Math.max(reach * 3, 5) };
      }
      var lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity], any = false;
      Object.keys(poses).forEach(function (name) {
        var p = poses[name].position;
        for (var a = 0; a < 3; ++a) { lo[a] = Math.min(lo[a], p[a]); hi[a] = Math.max(hi[a], p[a]); }
        any = true;
      });
      if (!any) {
        var first = data.vessels[0];
        return { at: first ? first.position.slice(-3) : [0, data.bodies[0] ? data.bodies[0].radius : 1, 0], size: 50 };
      }
      var size = Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
      return { at: [(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2], size: Math.max(size * 1.4, 30) };
    }

    function render() {
      var w = container.clientWidth || 640, h = container.clientHeight || 480;
      var size = renderer.getSize(new THREE.Vector2());
      if (size.x !== w || size.y !== h) renderer.setSize(w, h);
      camera.aspect = w / h;

      ++frame;
      var poses = {};
      vessels.forEach(function (o) {
        var p = poseOf(o.data, state.t);
        if (p) poses[o.data.name] = p;
      });
      var aim = target(poses), origin = aim.at;
      if (orbit.lastFollow !== state.follow || orbit.distance === null) {
        orbit.distance = orbit.fixedDistance || aim.size;
        orbit.fixedDistance = null;
        orbit.lastFollow = state.follow;
      }
      dots.visible = el('show-dots').checked;

      var dotPositions = dots.geometry.attributes.position;
      vessels.forEach(function (o, k) {
        var p = poses[o.data.name];
        o.root.visible = !!p;
        o.whole.visible = o.flown.visible = el('show-paths').checked;
        o.whole.position.set(o.anchor[0] - origin[0], o.anchor[1] - origin[1], o.anchor[2] - origin[2]);
        o.flown.position.copy(o.whole.position);
        var upTo = sampleBefore(o.data, state.t);
        o.flown.geometry.setDrawRange(0, upTo < 0 ? 0 : Math.floor(upTo / o.stride) + 1);
        if (!p) { dotPositions.setXYZ(k, 1e12, 1e12, 1e12); return; }
        o.root.position.set(p.position[0] - origin[0], p.position[1] - origin[1], p.position[2] - origin[2]);
        o.root.quaternion.set(p.quaternion[0], p.quaternion[1], p.quaternion[2], p.quaternion[3]);
        dotPositions.setXYZ(k, o.root.position.x, o.root.position.y, o.root.position.z);
        var states = p.animations.map(function (s) { return s === null ? 'n' : s.toFixed(4); }).join(',');
        o.animated.forEach(function (a) {
          var key = a.id + '@' + states;
          if (key !== a.key) {
            a.key = key;
            a.mesh.geometry = posedGeometry(key, o.cls, a, p.animations);
          }
          a.mesh.geometry.userData.frame = frame;
        });
      });
      dotPositions.needsUpdate = true;

      bodies.forEach(function (b) { b.position.set(-origin[0], -origin[1], -origin[2]); });
      var body = data.bodies[(vesselByName[state.follow] || data.vessels[0] || { body: 0 }).body] || { radius: 1 };
      var up = new THREE.Vector3(origin[0], origin[1], origin[2]).normalize();
      var altitude = Math.hypot(origin[0], origin[1], origin[2]) - body.radius;
      groundDisc.material.color.setHex(looksOf(body).ground);

      // The ground plane under the target, with a grid of a round size for the distance.
      var reach = Math.max(orbit.distance, altitude, 10) * 4;
      ground.visible = altitude < 100000;
      var cell = niceLength(reach / 10);
      if (!grid || grid.userData.cell !== cell) {
        if (grid) ground.remove(grid);
        grid = new THREE.GridHelper(cell * 40, 40, 0x9ccf8f, 0x6b8f63);
        grid.userData.cell = cell;
        grid.position.y = 0.01;
        ground.add(grid);
      }
      groundDisc.scale.setScalar(cell * 400);
      ground.quaternion.setFromUnitVectors(new THREE.Vector3(0, 1, 0), up);
      ground.position.copy(up).multiplyScalar(-altitude);
      el('grid-note').textContent = ground.visible ? 'Ground grid: squares of ' + formatLength(cell) : '';

      // The camera, on the target's local horizon.
      var north = new THREE.Vector3(0, 1, 0).sub(up.clone().multiplyScalar(up.y));
      if (north.lengthSq() < 1e-12) north.set(1, 0, 0);
      north.normalize();
      var east = new THREE.Vector3().crossVectors(north, up).normalize();
      var horizontal = north.clone().multiplyScalar(Math.cos(orbit.azimuth)).add(east.clone().multiplyScalar(Math.sin(orbit.azimuth)));
      camera.position.copy(horizontal.multiplyScalar(Math.cos(orbit.elevation)).add(up.clone().multiplyScalar(Math.sin(orbit.elevation))))
        .multiplyScalar(orbit.distance);
      camera.up.copy(up);
      camera.near = Math.max(orbit.distance / 1000, 0.01);
      camera.far = Math.max(orbit.distance * 10, body.radius * 4);
      camera.updateProjectionMatrix();
      camera.lookAt(0, 0, 0);
      sun.position.copy(up).multiplyScalar(1000).add(east.clone().multiplyScalar(600));

      // The scale: the length of 100 pixels at the target's distance.
      var metresPerPixel = 2 * orbit.distance * Math.tan(camera.fov * Math.PI / 360) / h;
      var bar = niceLength(metresPerPixel * 120);
      el('scale-bar').style.width = (bar / metresPerPixel) + 'px';
      el('scale-label').textContent = formatLength(bar) + ' at the target';
      var f = vesselByName[state.follow];
      el('hud').textContent = (f ? 'Following ' + f.name + ' (' + data.classes[f['class']].name + ')' : 'All vessels') +
        ', altitude ' + altitude.toFixed(1) + ' m';
      renderer.render(scene, camera);
    }
    window.addEventListener('resize', render);
    ['show-paths', 'show-dots'].forEach(function (id) { el(id).addEventListener('change', render); });
    return { render: render, orbit: orbit };
  }

  try {
    view = buildView();
    listeners.push(function () { view.render(); });
  } catch (e) {
    showError('the 3-D view could not start: ' + e.message + '. The controls, the chart and the events still work.');
  }

  // Where to start: the address may say #t=SECONDS&follow=NAME&play.
  (function () {
    var params = new URLSearchParams(location.hash.replace(/^#/, ''));
    if (params.get('paths') === '0') el('show-paths').checked = false;
    if (params.get('dots') === '0') el('show-dots').checked = false;
    if (view && params.has('elevation')) view.orbit.elevation = Math.min(1.55, Math.max(-1.55, Number(params.get('elevation')) || 0));
    if (view && params.has('azimuth')) view.orbit.azimuth = Number(params.get('azimuth')) || 0;
    if (view && params.has('distance') && Number(params.get('distance')) > 0) view.orbit.fixedDistance = Number(params.get('distance'));
    if (params.has('follow')) {
      try { follow(params.get('follow')); } catch (e) { showError(e.message); }
    }
    if (params.has('t')) setTime(params.get('t'));
    if (params.has('play')) state.playing = true;
  })();
  updateControls();
  if (view) view.render();

  var last = null;
  function tick(now) {
    if (state.playing && last !== null) {
      var t = state.t + (now - last) / 1000 * state.speed;
      if (t >= data.tEnd) state.playing = false;
      setTime(t);
    }
    last = now;
    requestAnimationFrame(tick);
  }
  requestAnimationFrame(tick);
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', quvaStartViewer);
else quvaStartViewer();
