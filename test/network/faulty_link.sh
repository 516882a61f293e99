# A faulty network between two programs on this machine, for the network
# tests and benchmarks to source: two network namespaces made here, joined
# by a veth pair whose addresses exist only inside them, and nftables rules
# in each that drop UDP datagrams at random, drop them all (the link down)
# or cap their rate. The caller removes it on exit (link_remove in its trap).
#
#   link_up ID           namespaces orvane_a_ID and orvane_b_ID, 10.213.ID.1 and .2
#   "${in_a[@]}" CMD...  runs CMD in namespace a (ROS_LOCALHOST_ONLY unset), as
#   "${in_b[@]}" CMD...  the same process: $! of one in the background is CMD's
#   link_loss PERCENT    drops that share of UDP datagrams, both ways
#   link_down / link_clear   drops every datagram / none
#   link_rate KBYTES     at most KBYTES kB/s of UDP each way, the rest dropped
#   link_bytes           UDP bytes that left namespace a so far
#   link_remove          removes it all (the namespaces, the veth, the rules)

link_id=""
link_up() {
  link_id="$1"
  ns_a="orvane_a_$link_id" ns_b="orvane_b_$link_id"
  in_a=(ip netns exec "$ns_a" env -u ROS_LOCALHOST_ONLY)
  in_b=(ip netns exec "$ns_b" env -u ROS_LOCALHOST_ONLY)
  link_remove
  ip netns add "$ns_a"
  ip netns add "$ns_b"
  ip link add "ova$link_id" netns "$ns_a" type veth peer name "ovb$link_id" netns "$ns_b"
  local side
  for side in a b; do
    local ns="orvane_${side}_$link_id" dev="ov$side$link_id" host=1
    [ "$side" = b ] && host=2
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "10.213.$link_id.$host/24" dev "$dev"
    ip -n "$ns" link set "$dev" up
    # Discovery's multicast goes out on the veth.
    ip -n "$ns" route add 224.0.0.0/4 dev "$dev"
    ip netns exec "$ns" nft -f - <<EOF
table inet fault {
  counter sent { }
  chain out {
    type filter hook output priority 0; policy accept;
    oifname "$dev" meta l4proto udp counter name sent
    oifname "$dev" meta l4proto udp jump rules
  }
  chain rules { }
}
EOF
  done
}

link_rules() {  # RULE...: the rules chain in both namespaces becomes these
  local ns
  for ns in "$ns_a" "$ns_b"; do
    ip netns exec "$ns" nft flush chain inet fault rules
    local rule
    for rule in "$@"; do
      ip netns exec "$ns" nft add rule inet fault rules "$rule"
    done
  done
}
link_loss() { link_rules "numgen random mod 100 < $1 drop"; }
link_down() { link_rules "drop"; }
link_clear() { link_rules; }
link_rate() { link_rules "limit rate over $1 kbytes/second burst 64 kbytes drop"; }
link_bytes() {
  ip netns exec "$ns_a" nft list counter inet fault sent | sed -n 's/.*bytes \([0-9]*\).*/\1/p'
}


link_remove() {
  [ -n "$link_id" ] || return 0
  ip netns del "orvane_a_$link_id" 2>/dev/null || true
  ip netns del "orvane_b_$link_id" 2>/dev/null || true
}
